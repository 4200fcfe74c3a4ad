#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

namespace zanvor {

// Prints one JSON document on stdout. Texts that are not valid UTF-8 (a name stored by an
// older program) are printed with U+FFFD in place of the bad bytes instead of failing.
void PrintJson(const nlohmann::json& document);
// The reason as Fail prints it: one line, control characters and bytes that are not UTF-8
// escaped ("\x1B", "\xFF"), a word longer than 80 characters (an echoed argument) shortened
// to its first 40 and last 39 with "…" between, and the whole at most 1000 characters.
std::string PrintableReason(const std::string& reason);
// Prints "zanvorctl: <reason>" (as PrintableReason shows it) on stderr and returns the status.
// When no keyboard is online (kCliNoKeyboard) and the last scan found keyboards this user may
// not open, the line goes on to say so and how to get access.
int Fail(int status, const std::string& reason);
// Flushes what the command printed. When it could not be written (a full disk, a closed
// pipe), a command that succeeded fails with the reason; other statuses stay.
int FinishOutput(int status);

// One sentence naming the keyboards of the last scan that this user may not open and the fix
// (the udev rule, then a replug); empty when there are none.
std::string UnreachableKeyboardsText();

// Columns of text aligned to their widest cell. Each cell stays on its line: line breaks,
// tabs and other control characters are shown escaped ("\n"), bytes that are not UTF-8 as
// U+FFFD.
class TextTable {
  public:
    explicit TextTable(std::vector<std::string> header);
    void AddRow(std::vector<std::string> row);
    void Print(std::ostream& out) const;

  private:
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace zanvor
