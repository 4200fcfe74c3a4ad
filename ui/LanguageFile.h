#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zanvor {

// One parsed language file: an INI file in UTF-8 (with or without BOM) or UTF-16 with BOM.
// "[SECTION]" lines open a section, "key=value" lines set a text, lines starting with ';' or
// '#' are comments. Section and key names match without regard to ASCII case; blanks around
// names and values are dropped, as is one pair of quotation marks around a value. The first
// occurrence of a key wins. Values are kept cut to kMaxTextLength characters.
class LanguageFile {
  public:
    // Decodes and parses a file's bytes. Anything the lookups skip (undecodable bytes, lines
    // that are neither comments, section headers nor key=value lines, keys outside a section)
    // is listed in Problems().
    static LanguageFile Parse(const std::string& bytes);
    // Reads and parses a file; false when it cannot be read (out is then empty).
    static bool Load(const std::string& path, LanguageFile& out);

    // The text, or empty when the section or key is missing.
    std::string Value(const std::string& section, const std::string& key) const;
    bool Has(const std::string& section, const std::string& key) const;

    // Every (section, key) in upper case, sorted.
    std::vector<std::pair<std::string, std::string>> Keys() const;
    const std::vector<std::string>& Problems() const { return problems_; }

  private:
    std::map<std::string, std::map<std::string, std::string>> sections_;
    std::vector<std::string> problems_;
};

// Text decoding used by the language files, exposed for tests.
// The bytes as UTF-8: BOM-marked UTF-8, UTF-16LE or UTF-16BE are recognised, BOM-less
// UTF-16LE is recognised by its zero bytes, anything else is read as UTF-8. Undecodable
// bytes become U+FFFD and set *invalid.
std::string DecodeText(const std::string& bytes, bool* invalid = nullptr);
// The first maxChars code points of UTF-8 text.
std::string CutToCharacters(const std::string& text, size_t maxChars);

}  // namespace zanvor
