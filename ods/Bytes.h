#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "ods/OdsError.h"

// Little-endian fields inside a page. Every read and write checks that the field lies inside
// the bytes given and raises EOdsError otherwise, so a count or offset taken from a damaged
// page can never reach past its page.
namespace onarim::ods {

using TBytes = std::span<const std::uint8_t>;
using TMutableBytes = std::span<std::uint8_t>;

[[noreturn]] void RaiseOutside(std::size_t offset, std::size_t size, std::size_t available);

inline void RequireInside(TBytes bytes, std::size_t offset, std::size_t size) {
    if (offset > bytes.size() || size > bytes.size() - offset) {
        RaiseOutside(offset, size, bytes.size());
    }
}

inline std::uint8_t Get8(TBytes bytes, std::size_t offset) {
    RequireInside(bytes, offset, 1);
    return bytes[offset];
}

inline std::uint16_t Get16(TBytes bytes, std::size_t offset) {
    RequireInside(bytes, offset, 2);
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

inline std::uint32_t Get32(TBytes bytes, std::size_t offset) {
    RequireInside(bytes, offset, 4);
    return static_cast<std::uint32_t>(bytes[offset]) |
           static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

inline std::uint64_t Get64(TBytes bytes, std::size_t offset) {
    RequireInside(bytes, offset, 8);
    return static_cast<std::uint64_t>(Get32(bytes, offset)) |
           static_cast<std::uint64_t>(Get32(bytes, offset + 4)) << 32;
}

inline void Put16(TMutableBytes bytes, std::size_t offset, std::uint16_t value) {
    RequireInside(bytes, offset, 2);
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void Put32(TMutableBytes bytes, std::size_t offset, std::uint32_t value) {
    RequireInside(bytes, offset, 4);
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// "0x1f", "0x80": a flags byte or small code as the messages show it.
std::string Hex(unsigned value, int digits = 2);

} // namespace onarim::ods
