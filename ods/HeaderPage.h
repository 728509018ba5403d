#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ods/Bytes.h"
#include "ods/PageHeader.h"

namespace onarim::ods {

// The versions of the on-disk structure recognised by the u16 at offset 18 of page 0.
enum class TOdsMajor : std::uint16_t {
    Ods11 = 0x800B, // Firebird 2.x: read and reported only
    Ods12 = 0x800C, // Firebird 3: read, checked and mended
    Ods13 = 0x800D, // Firebird 4 and 5: read and reported only
};

// nbackup state, bits 0x0C00 of the header flags.
enum class TBackupState { Normal, Stalled, Merge, Unknown };
// Shutdown mode, bits 0x1080 of the header flags.
enum class TShutdownMode { Online, Multi, Full, Single };

// One variable entry after the fixed header: type, then its bytes.
struct TClumplet {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> data;
};

// Clumplet types of the header page.
inline constexpr std::uint8_t kClumpletRootFile = 1;
inline constexpr std::uint8_t kClumpletNextFile = 2;
inline constexpr std::uint8_t kClumpletLastPage = 3;
inline constexpr std::uint8_t kClumpletSweepInterval = 4;
inline constexpr std::uint8_t kClumpletDifferenceFile = 6;
inline constexpr std::uint8_t kClumpletBackupGuid = 7;

// Header flags (u16 at offset 42).
inline constexpr std::uint16_t kHeaderActiveShadow = 0x01;
inline constexpr std::uint16_t kHeaderForcedWrites = 0x02;
inline constexpr std::uint16_t kHeaderCryptInProgress = 0x04;
inline constexpr std::uint16_t kHeaderNoReserve = 0x08;
inline constexpr std::uint16_t kHeaderDialect3 = 0x10;
inline constexpr std::uint16_t kHeaderReadOnly = 0x20;
inline constexpr std::uint16_t kHeaderEncrypted = 0x40;

// Page 0 of a Firebird database, decoded. Every field of ODS 12 is read; for ODS 13 the
// fields that moved are read from their places; for ODS 11 the fields that kept their places
// (page size, version, PAGES, next page, the 32-bit transaction numbers, sequence, flags,
// creation date, attachment id, shadow count) and the clumplets. Transaction numbers carry
// their high words (48 bits) where the version has them.
struct THeaderPage {
    TPageHeader standard; // may be garbage: the page is recognised by the fields below
    std::uint16_t pageSize = 0;
    std::uint16_t odsVersion = 0; // 0x800C for ODS 12
    std::uint16_t odsMinor = 0;
    std::uint32_t pagesPage = 0; // first pointer page of RDB$PAGES
    std::uint32_t nextPage = 0;  // header page of the next file, 0 for a single file
    std::uint64_t oldestTransaction = 0;
    std::uint64_t oldestActive = 0;
    std::uint64_t nextTransaction = 0; // the last number handed out
    std::uint64_t oldestSnapshot = 0;
    std::uint16_t sequence = 0; // file number, 0 for the primary file
    std::uint16_t flags = 0;
    std::int32_t creationDate = 0; // days since 1858-11-17
    std::int32_t creationTime = 0; // 1/10000 s since midnight
    std::uint64_t attachmentId = 0;
    std::int32_t shadowCount = 0;
    std::uint8_t cpu = 0, os = 0, compiler = 0, compatibility = 0;
    std::uint16_t clumpletEnd = 0; // offset of the terminating clumplet byte
    std::uint32_t pageBuffers = 0;
    std::uint32_t backupPages = 0;
    std::uint32_t cryptPage = 0;
    std::uint32_t topCrypt = 0;
    std::string cryptPlugin;
    std::vector<TClumplet> clumplets;
    bool clumpletsTruncated = false; // a clumplet ran past hdr_end or the page

    // Decodes the first bytes of a file (at least the fixed part: 1024 bytes, or all the page
    // when shorter). Raises EOdsError when the bytes are too short for the version's fixed
    // header or the version at offset 18 is not one of TOdsMajor.
    static THeaderPage Read(TBytes bytes);

    std::optional<TOdsMajor> Major() const;
    // "12.0", "11.2", "13.1".
    std::string OdsText() const;
    // The page sizes the version allows (4096, 8192, 16384 for ODS 12).
    bool PageSizeAllowed() const;
    bool StandardHeaderSound() const; // type 1, reserved 0, page number 0, flags 0

    bool Encrypted() const; // encrypted, being encrypted, or naming a crypt plugin
    TBackupState BackupState() const;
    TShutdownMode ShutdownMode() const;
    bool MultiFile() const; // a next file named, or itself a secondary file
    std::optional<std::uint32_t> SweepInterval() const;

    // Why the file may not be edited, empty when it may: only ODS 12.0 and 12.2 files that are
    // single-file, not encrypted and with nbackup state normal are mended.
    std::string EditRefusal() const;
};

} // namespace onarim::ods
