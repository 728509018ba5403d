#include "ods/TextValidity.h"

namespace onarim::ods {

std::optional<std::size_t> Utf8Characters(TBytes text) {
    std::size_t characters = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::uint8_t lead = text[at];
        ++characters;
        if (lead < 0x80) {
            ++at;
            continue;
        }
        std::size_t extra = 0;
        std::uint32_t code = 0;
        std::uint32_t least = 0;
        if ((lead & 0xE0) == 0xC0) {
            extra = 1, code = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, code = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, code = lead & 0x07, least = 0x10000;
        } else {
            return std::nullopt;
        }
        if (extra >= text.size() - at) {
            return std::nullopt;
        }
        for (std::size_t i = 1; i <= extra; ++i) {
            const std::uint8_t next = text[at + i];
            if ((next & 0xC0) != 0x80) {
                return std::nullopt;
            }
            code = code << 6 | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return std::nullopt;
        }
        at += extra + 1;
    }
    return characters;
}

} // namespace onarim::ods
