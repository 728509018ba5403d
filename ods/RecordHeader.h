#pragma once

#include <cstdint>

#include "ods/Bytes.h"

namespace onarim::ods {

// Record flags (u16 at offset 10 of a stored piece).
inline constexpr std::uint16_t kRecordDeleted = 0x001;
inline constexpr std::uint16_t kRecordChain = 0x002;      // an older version
inline constexpr std::uint16_t kRecordFragment = 0x004;   // a continuation piece
inline constexpr std::uint16_t kRecordIncomplete = 0x008; // more pieces follow at f_page/f_line
inline constexpr std::uint16_t kRecordBlob = 0x010;       // a blob header, not a row
inline constexpr std::uint16_t kRecordDelta = 0x020;      // back version stored as a difference
inline constexpr std::uint16_t kRecordLarge = 0x040;
inline constexpr std::uint16_t kRecordDamaged = 0x080;
inline constexpr std::uint16_t kRecordGcActive = 0x100;
inline constexpr std::uint16_t kRecordUniqueKeyModified = 0x200;
inline constexpr std::uint16_t kRecordLongTransaction = 0x400;

// The header of a stored record piece in its three forms: normal (13 bytes), long
// transaction number (16 bytes: flag 0x400, not incomplete), and the head or middle piece of a
// fragmented record (22 bytes: flag 0x08, with the next piece's page and line).
struct TRecordHeader {
    // Raises EOdsError when `piece` is shorter than the form its flags name.
    static TRecordHeader Read(TBytes piece);

    std::uint64_t transaction = 0; // with the high word at offset 14 when flag 0x400 says so
    std::uint32_t backPage = 0;
    std::uint16_t backLine = 0;
    std::uint16_t flags = 0;
    std::uint8_t format = 0;
    std::uint32_t fragmentPage = 0; // 0 unless incomplete
    std::uint16_t fragmentLine = 0;
    std::uint16_t dataOffset = 13; // where the compressed data starts

    bool Has(std::uint16_t flag) const { return (flags & flag) != 0; }
    // A primary version of a row: not deleted, not older, not a piece, not a blob.
    bool PrimaryRow() const;
};

} // namespace onarim::ods
