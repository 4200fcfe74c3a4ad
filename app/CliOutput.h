#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

namespace zanvor {

// Prints one JSON document on stdout.
void PrintJson(const nlohmann::json& document);
// Prints "zanvorctl: <reason>" on stderr and returns the status.
int Fail(int status, const std::string& reason);

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
