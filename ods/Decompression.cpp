#include "ods/Decompression.h"

#include <string>

namespace onarim::ods {

namespace {

void Require(bool holds, const std::string& what) {
    if (!holds) {
        throw EOdsError("compressed record data " + what);
    }
}

} // namespace

void DecompressInto(TBytes packed, std::size_t limit, std::vector<std::uint8_t>& out) {
    Require(out.size() <= limit, "decode to more than " + std::to_string(limit) + " bytes");
    std::size_t at = 0;
    while (at < packed.size()) {
        const auto control = static_cast<std::int8_t>(packed[at++]);
        if (control > 0) {
            const auto count = static_cast<std::size_t>(control);
            Require(count <= packed.size() - at, "end in the middle of a literal run");
            Require(count <= limit - out.size(),
                    "decode to more than " + std::to_string(limit) + " bytes");
            out.insert(out.end(), packed.begin() + static_cast<std::ptrdiff_t>(at),
                       packed.begin() + static_cast<std::ptrdiff_t>(at + count));
            at += count;
        } else if (control < 0) {
            const auto count = static_cast<std::size_t>(-static_cast<int>(control));
            Require(at < packed.size(), "end before the byte of a repeated run");
            Require(count <= limit - out.size(),
                    "decode to more than " + std::to_string(limit) + " bytes");
            out.insert(out.end(), count, packed[at++]);
        }
    }
}

std::vector<std::uint8_t> Decompress(TBytes packed, std::size_t limit) {
    std::vector<std::uint8_t> out;
    DecompressInto(packed, limit, out);
    return out;
}

} // namespace onarim::ods
