#include "ui/LanguageFile.h"

#include <algorithm>

#include "platform/FileRead.h"
#include "platform/Utf8.h"
#include "ui/LoadText.h"

namespace zanvor {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

std::string DecodeUtf16(const std::string& bytes, size_t start, bool bigEndian, bool& invalid) {
    std::string out;
    out.reserve(bytes.size() / 2);
    auto unit = [&](size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char32_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    size_t i = start;
    for (; i + 1 < bytes.size(); i += 2) {
        const char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            invalid = true;
            AppendUtf8(out, kReplacement);
            continue;
        }
        AppendUtf8(out, u);
    }
    if (i < bytes.size()) {
        invalid = true;  // an odd byte at the end
    }
    return out;
}

// Copies UTF-8, replacing every byte that does not start a well-formed sequence.
std::string CleanUtf8(const std::string& bytes, size_t start, bool& invalid) {
    std::string out;
    out.reserve(bytes.size());
    size_t i = start;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        size_t length = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            c = lead & 0x07;
        }
        bool ok = length != 0 && i + length <= bytes.size();
        for (size_t k = 1; ok && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            ok = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values above U+10FFFF are not well-formed.
        ok = ok && !(length == 3 && c < 0x800) && !(length == 4 && c < 0x10000) &&
             !(c >= 0xD800 && c <= 0xDFFF) && c <= 0x10FFFF;
        if (!ok) {
            invalid = true;
            AppendUtf8(out, kReplacement);
            ++i;
            continue;
        }
        out.append(bytes, i, length);
        i += length;
    }
    return out;
}

bool LooksLikeUtf16Le(const std::string& bytes) {
    // ASCII text in UTF-16LE: every second byte zero. Check the first few characters.
    const size_t pairs = std::min<size_t>(bytes.size() / 2, 16);
    if (pairs < 2) {
        return false;
    }
    for (size_t i = 0; i < pairs; ++i) {
        if (bytes[2 * i] == '\0' || bytes[2 * i + 1] != '\0') {
            return false;
        }
    }
    return true;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::string DecodeText(const std::string& bytes, bool* invalid) {
    bool bad = false;
    std::string text;
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text = CleanUtf8(bytes, 3, bad);
    } else if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0) {
        text = DecodeUtf16(bytes, 2, false, bad);
    } else if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFE\xFF") == 0) {
        text = DecodeUtf16(bytes, 2, true, bad);
    } else if (LooksLikeUtf16Le(bytes)) {
        text = DecodeUtf16(bytes, 0, false, bad);
    } else {
        text = CleanUtf8(bytes, 0, bad);
    }
    if (invalid != nullptr) {
        *invalid = bad;
    }
    return text;
}

std::string CutToCharacters(const std::string& text, size_t maxChars) {
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (chars == maxChars) {
                return text.substr(0, i);
            }
            ++chars;
        }
    }
    return text;
}

LanguageFile LanguageFile::Parse(const std::string& bytes) {
    LanguageFile file;
    bool invalid = false;
    const std::string text = DecodeText(bytes, &invalid);
    if (invalid) {
        file.problems_.push_back("text that is not valid UTF-8 or UTF-16");
    }
    std::map<std::string, std::string>* section = nullptr;
    size_t start = 0;
    int number = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
        ++number;
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            continue;
        }
        const std::string where = "line " + std::to_string(number) + ": ";
        if (line[0] == '[') {
            const size_t close = line.find(']');
            if (close == std::string::npos) {
                file.problems_.push_back(where + "section header without ']'");
                section = nullptr;
                continue;
            }
            section = &file.sections_[Upper(Trim(line.substr(1, close - 1)))];
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            file.problems_.push_back(where + "neither a section, a comment nor key=value");
            continue;
        }
        if (section == nullptr) {
            file.problems_.push_back(where + "key outside a section");
            continue;
        }
        const std::string key = Upper(Trim(line.substr(0, equals)));
        std::string value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        if (key.empty()) {
            file.problems_.push_back(where + "empty key");
            continue;
        }
        if (section->count(key) != 0) {
            file.problems_.push_back(where + "key " + key + " repeated");
            continue;
        }
        (*section)[key] = CutToCharacters(value, kMaxTextLength);
    }
    return file;
}

bool LanguageFile::Load(const std::string& path, LanguageFile& out) {
    // Only a regular file, read without waiting and only up to the limit.
    std::string bytes;
    if (ReadRegularFile(path, kMaxUserFileBytes, bytes) != FileReadResult::kOk) {
        out = LanguageFile();
        return false;
    }
    out = Parse(bytes);
    return true;
}

std::string LanguageFile::Value(const std::string& section, const std::string& key) const {
    const auto s = sections_.find(Upper(section));
    if (s == sections_.end()) {
        return std::string();
    }
    const auto k = s->second.find(Upper(key));
    return k == s->second.end() ? std::string() : k->second;
}

bool LanguageFile::Has(const std::string& section, const std::string& key) const {
    const auto s = sections_.find(Upper(section));
    return s != sections_.end() && s->second.count(Upper(key)) != 0;
}

std::vector<std::pair<std::string, std::string>> LanguageFile::Keys() const {
    std::vector<std::pair<std::string, std::string>> keys;
    for (const auto& [section, values] : sections_) {
        for (const auto& entry : values) {
            keys.emplace_back(section, entry.first);
        }
    }
    return keys;
}

}  // namespace zanvor
