#pragma once

#include <string_view>

namespace onarim {

// Blanks separate the words of command lines and registry file lines: spaces and tabs.
inline bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

inline std::string_view TrimLeadingBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

inline std::string_view TrimTrailingBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace onarim
