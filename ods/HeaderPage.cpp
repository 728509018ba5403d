#include "ods/HeaderPage.h"

#include <algorithm>

namespace onarim::ods {

namespace {

constexpr std::size_t kVersionOffset = 18;
constexpr std::uint16_t kBackupMask = 0x0C00;
constexpr std::uint16_t kShutdownMask = 0x1080;

// Where the fields that moved between versions lie.
struct TLayout {
    std::size_t minor;
    std::size_t cryptPlugin; // 0: none
    std::size_t attachmentHigh;
    std::size_t transactionHigh;
    std::size_t clumplets;
};

TLayout LayoutOf(TOdsMajor major) {
    switch (major) {
    case TOdsMajor::Ods11:
        return {62, 0, 0, 0, 96};
    case TOdsMajor::Ods12:
        return {64, 88, 120, 124, 132};
    case TOdsMajor::Ods13:
        return {64, 84, 116, 120, 128};
    }
    return {64, 88, 120, 124, 132};
}

std::uint64_t Wide(std::uint32_t low, std::uint16_t high) {
    return static_cast<std::uint64_t>(high) << 32 | low;
}

void ReadClumplets(THeaderPage& header, TBytes bytes, std::size_t start) {
    const std::size_t end = std::min<std::size_t>(header.clumpletEnd, bytes.size());
    std::size_t at = start;
    while (at < end) {
        const std::uint8_t type = bytes[at];
        if (type == 0) {
            return;
        }
        if (at + 2 > end || at + 2 + bytes[at + 1] > end) {
            header.clumpletsTruncated = true;
            return;
        }
        const std::size_t length = bytes[at + 1];
        header.clumplets.push_back(
            {type, std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(at + 2),
                                             bytes.begin() +
                                                 static_cast<std::ptrdiff_t>(at + 2 + length))});
        at += 2 + length;
    }
    if (at > end || header.clumpletEnd > bytes.size() || header.clumpletEnd < start) {
        header.clumpletsTruncated = true;
    }
}

} // namespace

THeaderPage THeaderPage::Read(TBytes bytes) {
    if (bytes.size() < kVersionOffset + 2) {
        throw EOdsError("the file is too short to hold a database header page (" +
                        std::to_string(bytes.size()) + " bytes)");
    }
    THeaderPage header;
    header.odsVersion = Get16(bytes, kVersionOffset);
    const auto major = header.Major();
    if (!major) {
        throw EOdsError("not a Firebird database: the header page names on-disk structure " +
                        Hex(header.odsVersion, 4) + " (Firebird 3 writes 0x800c)");
    }
    const TLayout layout = LayoutOf(*major);
    if (bytes.size() < layout.clumplets) {
        throw EOdsError("the file is too short to hold the header page of ODS " +
                        std::to_string(header.odsVersion & 0x7FFF) + " (" +
                        std::to_string(bytes.size()) + " bytes)");
    }
    header.standard = TPageHeader::Read(bytes);
    header.pageSize = Get16(bytes, 16);
    header.pagesPage = Get32(bytes, 20);
    header.nextPage = Get32(bytes, 24);
    const std::uint32_t oldest = Get32(bytes, 28);
    const std::uint32_t active = Get32(bytes, 32);
    const std::uint32_t next = Get32(bytes, 36);
    header.sequence = Get16(bytes, 40);
    header.flags = Get16(bytes, 42);
    header.creationDate = static_cast<std::int32_t>(Get32(bytes, 44));
    header.creationTime = static_cast<std::int32_t>(Get32(bytes, 48));
    const std::uint32_t attachment = Get32(bytes, 52);
    header.shadowCount = static_cast<std::int32_t>(Get32(bytes, 56));
    header.odsMinor = Get16(bytes, layout.minor);
    header.clumpletEnd = Get16(bytes, 66);
    header.pageBuffers = Get32(bytes, 68);
    if (*major == TOdsMajor::Ods11) {
        header.oldestSnapshot = Get32(bytes, 76);
        header.backupPages = Get32(bytes, 80);
        header.oldestTransaction = oldest;
        header.oldestActive = active;
        header.nextTransaction = next;
        header.attachmentId = attachment;
    } else {
        header.cpu = bytes[60];
        header.os = bytes[61];
        header.compiler = bytes[62];
        header.compatibility = bytes[63];
        const std::uint32_t snapshot = Get32(bytes, 72);
        header.backupPages = Get32(bytes, 76);
        header.cryptPage = Get32(bytes, 80);
        if (*major == TOdsMajor::Ods12) {
            header.topCrypt = Get32(bytes, 84);
        }
        const auto plugin = bytes.subspan(layout.cryptPlugin, 32);
        header.cryptPlugin.assign(plugin.begin(), std::find(plugin.begin(), plugin.end(), 0));
        header.attachmentId =
            static_cast<std::uint64_t>(Get32(bytes, layout.attachmentHigh)) << 32 | attachment;
        const std::size_t high = layout.transactionHigh;
        header.nextTransaction = Wide(next, Get16(bytes, high));
        header.oldestTransaction = Wide(oldest, Get16(bytes, high + 2));
        header.oldestActive = Wide(active, Get16(bytes, high + 4));
        header.oldestSnapshot = Wide(snapshot, Get16(bytes, high + 6));
    }
    ReadClumplets(header, bytes, layout.clumplets);
    return header;
}

std::optional<TOdsMajor> THeaderPage::Major() const {
    switch (odsVersion) {
    case static_cast<std::uint16_t>(TOdsMajor::Ods11):
    case static_cast<std::uint16_t>(TOdsMajor::Ods12):
    case static_cast<std::uint16_t>(TOdsMajor::Ods13):
        return static_cast<TOdsMajor>(odsVersion);
    default:
        return std::nullopt;
    }
}

std::string THeaderPage::OdsText() const {
    return std::to_string(odsVersion & 0x7FFF) + "." + std::to_string(odsMinor);
}

bool THeaderPage::PageSizeAllowed() const {
    switch (Major().value_or(TOdsMajor::Ods12)) {
    case TOdsMajor::Ods11:
        return pageSize == 1024 || pageSize == 2048 || pageSize == 4096 || pageSize == 8192 ||
               pageSize == 16384;
    case TOdsMajor::Ods12:
        return pageSize == 4096 || pageSize == 8192 || pageSize == 16384;
    case TOdsMajor::Ods13:
        return pageSize == 4096 || pageSize == 8192 || pageSize == 16384 || pageSize == 32768;
    }
    return false;
}

bool THeaderPage::StandardHeaderSound() const {
    return standard.type == static_cast<std::uint8_t>(TPageType::Header) && standard.flags == 0 &&
           standard.reserved == 0 && standard.pageNumber == 0;
}

bool THeaderPage::Encrypted() const {
    return (flags & (kHeaderEncrypted | kHeaderCryptInProgress)) != 0 || !cryptPlugin.empty() ||
           cryptPage != 0;
}

TBackupState THeaderPage::BackupState() const {
    switch (flags & kBackupMask) {
    case 0:
        return TBackupState::Normal;
    case 0x400:
        return TBackupState::Stalled;
    case 0x800:
        return TBackupState::Merge;
    default:
        return TBackupState::Unknown;
    }
}

TShutdownMode THeaderPage::ShutdownMode() const {
    switch (flags & kShutdownMask) {
    case 0:
        return TShutdownMode::Online;
    case 0x80:
        return TShutdownMode::Multi;
    case 0x1000:
        return TShutdownMode::Full;
    default:
        return TShutdownMode::Single;
    }
}

bool THeaderPage::MultiFile() const {
    return nextPage != 0 || sequence != 0 ||
           std::any_of(clumplets.begin(), clumplets.end(),
                       [](const TClumplet& c) { return c.type == kClumpletNextFile; });
}

std::optional<std::uint32_t> THeaderPage::SweepInterval() const {
    for (const TClumplet& clumplet : clumplets) {
        if (clumplet.type == kClumpletSweepInterval && clumplet.data.size() == 4) {
            return Get32(clumplet.data, 0);
        }
    }
    return std::nullopt;
}

std::string THeaderPage::EditRefusal() const {
    const auto major = Major();
    if (major == TOdsMajor::Ods11) {
        return "the database has on-disk structure " + OdsText() +
               " (Firebird 2.x); its pages are read and reported, never mended";
    }
    if (major == TOdsMajor::Ods13) {
        return "the database has on-disk structure " + OdsText() +
               " (Firebird 4 or later); its pages are read and reported, never mended";
    }
    if (odsMinor != 0 && odsMinor != 2) {
        return "the database has on-disk structure " + OdsText() +
               ", a minor version no Firebird 3 release writes";
    }
    if (!PageSizeAllowed()) {
        return "the header page names a page size of " + std::to_string(pageSize) +
               " bytes, which ODS 12 does not allow";
    }
    if (Encrypted()) {
        return "the database is encrypted" +
               (cryptPlugin.empty() ? std::string() : " (plugin " + cryptPlugin + ")") +
               ": its pages cannot be judged without the key";
    }
    if (BackupState() != TBackupState::Normal) {
        return "the database is in nbackup state " +
               std::string(BackupState() == TBackupState::Stalled  ? "stalled"
                           : BackupState() == TBackupState::Merge ? "merge"
                                                                  : "unknown") +
               ": its changes live partly in the difference file";
    }
    if (MultiFile()) {
        return "the database spans several files: only single-file databases are mended";
    }
    return {};
}

} // namespace onarim::ods
