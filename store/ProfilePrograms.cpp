#include "store/ProfilePrograms.h"

#include <algorithm>

namespace zanvor {

namespace {

constexpr size_t kMaxIdentityBytes = 255;

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool SameProgram(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

std::vector<std::string> ParseProfilePrograms(std::string_view app) {
    std::vector<std::string> programs;
    while (!app.empty()) {
        const size_t end = app.find('\n');
        const std::string_view line = Trimmed(app.substr(0, end));
        app = end == std::string_view::npos ? std::string_view() : app.substr(end + 1);
        if (line.empty() || std::any_of(programs.begin(), programs.end(),
                                        [&](const auto& p) { return SameProgram(p, line); })) {
            continue;
        }
        programs.emplace_back(line);
    }
    return programs;
}

std::string JoinProfilePrograms(const std::vector<std::string>& programs) {
    std::string app;
    for (const std::string& program : programs) {
        app += (app.empty() ? "" : "\n") + program;
    }
    return app;
}

std::string ProgramIdentity(std::string_view typed) {
    std::string_view identity = Trimmed(typed);
    if (const size_t slash = identity.rfind('/'); slash != std::string_view::npos) {
        identity = Trimmed(identity.substr(slash + 1));
    }
    const bool control = std::any_of(identity.begin(), identity.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (identity.empty() || control || identity.size() > kMaxIdentityBytes) {
        return {};
    }
    return std::string(identity);
}

}  // namespace zanvor
