#include "support/Bytes.h"

#include <stdexcept>

namespace onarim::testing {

std::string Hex(const std::string& pairs) {
    std::string bytes;
    std::string digits;
    for (char c : pairs) {
        if (c == ' ') {
            continue;
        }
        digits += c;
        if (digits.size() == 2) {
            bytes += static_cast<char>(std::stoi(digits, nullptr, 16));
            digits.clear();
        }
    }
    if (!digits.empty()) {
        throw std::invalid_argument("odd number of hex digits: " + pairs);
    }
    return bytes;
}

std::string ToHex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char c : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text;
}

} // namespace onarim::testing
