#include "platform/UnicodeText.h"

#include <cstdint>
#include <locale.h>
#include <wctype.h>

namespace onarim {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Decodes the code point at `text[at]` and advances `at`; nullopt when the sequence there is
// ill-formed (then `at` is left where the sequence began).
std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    std::size_t length = 0;
    char32_t codePoint = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, codePoint = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, codePoint = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, codePoint = lead & 0x07, smallest = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() - at < length) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!IsContinuation(byte)) {
            return std::nullopt;
        }
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < smallest || codePoint > 0x10FFFF || surrogate) {
        return std::nullopt;
    }
    at += length;
    return codePoint;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// The C library's Unicode case tables, independent of the process's own locale. Created once
// and kept for the life of the process.
locale_t UnicodeCaseLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

char32_t UpperCase(char32_t codePoint) {
    if (codePoint < 0x80) {
        return codePoint >= 'a' && codePoint <= 'z' ? codePoint - 'a' + 'A' : codePoint;
    }
    const locale_t locale = UnicodeCaseLocale();
    if (locale == locale_t{}) {
        return codePoint;
    }
    return static_cast<char32_t>(towupper_l(static_cast<wint_t>(codePoint), locale));
}

} // namespace

std::optional<std::size_t> FindInvalidUtf8(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        if (!DecodeUtf8(text, at)) {
            return at;
        }
    }
    return std::nullopt;
}

std::optional<std::string> Utf16LeToUtf8(std::string_view bytes) {
    if (bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    auto unitAt = [&](std::size_t i) -> char32_t {
        return static_cast<unsigned char>(bytes[i]) |
               (static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
    };
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return std::nullopt;
        }
        if (unit < 0xD800 || unit > 0xDBFF) {
            AppendUtf8(out, unit);
            continue;
        }
        if (i + 3 >= bytes.size()) {
            return std::nullopt;
        }
        const char32_t low = unitAt(i + 2);
        if (low < 0xDC00 || low > 0xDFFF) {
            return std::nullopt;
        }
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
    }
    return out;
}

std::u32string CaseFoldKey(std::string_view text) {
    std::u32string key;
    key.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::optional<char32_t> codePoint = DecodeUtf8(text, at);
        if (!codePoint) {
            key += kReplacement; // not expected: callers pass checked text
            ++at;
            continue;
        }
        key += UpperCase(*codePoint);
    }
    return key;
}

} // namespace onarim
