#pragma once

// The catalogues of assignable functions shown in the key-assignment lists and the knob
// dialog.

#include <string>
#include <vector>

namespace zanvor {

// One entry of a function catalogue.
struct KeyFunction {
    int type = 0;  // function type (macro_type)
    int code = 0;  // function code (macro_value)
    std::string name;
    std::string note;  // second caption for the list control; always empty
};

inline constexpr size_t kKeyFunctionCount = 162;
inline constexpr size_t kKnobFunctionCount = 151;

// The key function catalogue (162 entries): keys, mouse, media, shortcut and
// keyboard-internal functions, in list order. Captions that come from the language file are
// read now, so rebuild it after a language change.
std::vector<KeyFunction> BuildKeyFunctionList();

// The knob function catalogue (151 entries): media functions including the web keys,
// keyboard-internal functions, then keys.
std::vector<KeyFunction> BuildKnobFunctionList();

}  // namespace zanvor
