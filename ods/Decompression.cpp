#include "ods/Decompression.h"

#include <string>

namespace onarim::ods {

namespace {

[[noreturn]] void Refuse(const std::string& what) {
    throw EOdsError("compressed record data " + what);
}

[[noreturn]] void RefuseLength(std::size_t limit) {
    Refuse("decode to more than " + std::to_string(limit) + " bytes");
}

} // namespace

void DecompressInto(TBytes packed, std::size_t limit, std::vector<std::uint8_t>& out) {
    // The messages are made only on the way out: this loop runs for every group of every record.
    if (out.size() > limit) {
        RefuseLength(limit);
    }
    std::size_t at = 0;
    while (at < packed.size()) {
        const auto control = static_cast<std::int8_t>(packed[at++]);
        if (control > 0) {
            const auto count = static_cast<std::size_t>(control);
            if (count > packed.size() - at) {
                Refuse("end in the middle of a literal run");
            }
            if (count > limit - out.size()) {
                RefuseLength(limit);
            }
            out.insert(out.end(), packed.begin() + static_cast<std::ptrdiff_t>(at),
                       packed.begin() + static_cast<std::ptrdiff_t>(at + count));
            at += count;
        } else if (control < 0) {
            const auto count = static_cast<std::size_t>(-static_cast<int>(control));
            if (at >= packed.size()) {
                Refuse("end before the byte of a repeated run");
            }
            if (count > limit - out.size()) {
                RefuseLength(limit);
            }
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
