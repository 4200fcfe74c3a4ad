#include "update/Versions.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace zanvor {

namespace {

std::vector<std::string_view> SplitAtDots(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t dot = text.find('.', start);
        parts.push_back(text.substr(start, dot == std::string_view::npos ? dot : dot - start));
        if (dot == std::string_view::npos) {
            return parts;
        }
        start = dot + 1;
    }
}

// The number the leading digits make; absurdly long numbers saturate instead of wrapping.
uint64_t LeadingNumber(std::string_view text) {
    constexpr uint64_t kLimit = UINT64_MAX / 10 - 9;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value >= kLimit ? kLimit : value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

int CompareVersions(std::string_view a, std::string_view b) {
    const std::vector<std::string_view> left = SplitAtDots(a);
    const std::vector<std::string_view> right = SplitAtDots(b);
    for (size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
        const uint64_t x = i < left.size() ? LeadingNumber(left[i]) : 0;
        const uint64_t y = i < right.size() ? LeadingNumber(right[i]) : 0;
        if (x != y) {
            return x > y ? -1 : 1;
        }
    }
    return 0;
}

std::optional<std::string> ParseVersionAnswer(std::string_view answer) {
    while (!answer.empty() && IsBlank(answer.front())) {
        answer.remove_prefix(1);
    }
    while (!answer.empty() && IsBlank(answer.back())) {
        answer.remove_suffix(1);
    }
    if (answer.empty() || answer.size() > kMaxVersionLength) {
        return std::nullopt;
    }
    for (std::string_view part : SplitAtDots(answer)) {
        const bool number = !part.empty() && std::all_of(part.begin(), part.end(), [](char c) {
            return c >= '0' && c <= '9';
        });
        if (!number) {
            return std::nullopt;
        }
    }
    return std::string(answer);
}

}  // namespace zanvor
