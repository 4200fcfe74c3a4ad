#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zanvor {

// The programs a profile is bound to live in the `app` column of its t_profile_data row: one
// program identity per line ("dota2\nsteam_app_570"). An identity is an executable's file name
// or a window class; a focused window matches it when its executable's file name or either
// part of its WM_CLASS equals it, ignoring ASCII case. An empty or NULL column (every database
// written before bindings existed) means no programs.

// The identities stored in `app`, in order: lines trimmed of blanks, empty lines and repeats
// dropped.
std::vector<std::string> ParseProfilePrograms(std::string_view app);
// The column text for `programs` (one per line, no trailing line break).
std::string JoinProfilePrograms(const std::vector<std::string>& programs);
// Whether two identities name the same program (ASCII case ignored).
bool SameProgram(std::string_view a, std::string_view b);
// The identity a user typed, as it is stored: blanks trimmed, a path reduced to its file name.
// Empty when nothing usable is left, when it holds a control character, or when it is longer
// than a file name may be (255 bytes).
std::string ProgramIdentity(std::string_view typed);

}  // namespace zanvor
