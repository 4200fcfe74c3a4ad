#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

namespace zanvor {

// Prints one JSON document on stdout.
void PrintJson(const nlohmann::json& document);
// Prints "zanvorctl: <reason>" on stderr and returns the status. When no keyboard is online
// (kCliNoKeyboard) and the last scan found keyboards this user may not open, the line goes on
// to say so and how to get access.
int Fail(int status, const std::string& reason);

// One sentence naming the keyboards of the last scan that this user may not open and the fix
// (the udev rule, then a replug); empty when there are none.
std::string UnreachableKeyboardsText();

// Columns of text aligned to their widest cell.
class TextTable {
  public:
    explicit TextTable(std::vector<std::string> header);
    void AddRow(std::vector<std::string> row);
    void Print(std::ostream& out) const;

  private:
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace zanvor
