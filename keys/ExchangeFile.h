#pragma once

// Exchange files: one profile's key assignments as XML, so users can keep or pass on their
// layouts. Only key rows travel; macros, light settings and configuration values do not.
//
//   <?xml version="1.0" encoding="UTF-8"?>            (followed by CR LF)
//   <profile>
//     <profileinfo name="..." />
//     <key_macro>
//       <item fn_layer=".." key_code=".." layout_value=".." layout_desc=".." macro_type=".."
//             macro_value=".." macro_value2=".." macro_value3=".." macro_desc=".." />
//       ...
//
// The functions here are pure (file in, records out) and shared by the profile page and the
// command line.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "store/Records.h"

namespace zanvor {

// The filter entries and pattern of the file dialogs.
inline constexpr const char* kExchangeFilePattern = "*.xml";

// What reading an exchange file found.
enum class ExchangeReadResult {
    Ok,          // a `profile` element was found; name and rows are filled
    Unreadable,  // the file is missing or cannot be read
    NotAFile,    // a folder, FIFO or device: never read
    TooLarge,    // larger than kMaxUserFileBytes: never read
    NotXml,      // the bytes are not a well-formed XML document
    NoProfile,   // well-formed, but there is no top-level `profile` element
};

// The decimal integer at the start of `text`, as the file's readers have always taken it:
// leading blanks and one sign are allowed, digits are read up to the first other character
// ("12abc" -> 12), no digits give 0 ("abc" -> 0). Values beyond the int range are clamped.
int ParseLeadingInt(std::string_view text);

// The document's bytes: the declaration, CR LF, then the elements indented with tabs, every
// line ending in CR LF. Rows are written in the order given, with their nine attributes in
// the file's fixed order; key_id and profile are not written.
std::string FormatExchangeDocument(const std::string& name, const std::vector<KeyMacroData>& rows);

// Writes the document to `path`, replacing the file. False when the file cannot be written
// completely; `error` (when given) then holds a one-line reason naming the file and the cause.
bool WriteExchangeFile(const std::string& path, const std::string& name,
                       const std::vector<KeyMacroData>& rows, std::string* error = nullptr);

// Reads a document held in memory (encoding detected from its BOM or declaration). On Ok,
// `name` is the `name` attribute of `profileinfo` (empty when either is absent) and `rows` one
// record per `item` of `key_macro`, in file order, with profile 0: missing or non-numeric
// integers read as 0, texts as they are. Items are taken as they are (key_code 0 included);
// CollapseKeyRows applies the storing rules. Otherwise `name` and `rows` are left empty.
ExchangeReadResult ParseExchangeDocument(const void* data, size_t size, std::string& name,
                                         std::vector<KeyMacroData>& rows);

// The same for a file: only a regular file of at most kMaxUserFileBytes is read.
ExchangeReadResult ReadExchangeFile(const std::string& path, std::string& name,
                                    std::vector<KeyMacroData>& rows);

// What storing `rows` one after another with DataStore::ReplaceKey leaves in an empty
// profile, computed in memory: rows with key_code 0 change nothing, a later row for the same
// (fn_layer, key_code) replaces an earlier one, and a row whose macro_value and macro_value2
// are both 0 leaves its key without a row. The survivors keep the order ReplaceKey would give
// them (the position of each key's last row). Runs in O(n log n) for any input.
std::vector<KeyMacroData> CollapseKeyRows(const std::vector<KeyMacroData>& rows);

}  // namespace zanvor
