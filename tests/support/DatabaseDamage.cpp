#include "support/DatabaseDamage.h"

#include <random>

#include <algorithm>
#include <vector>

#include "support/DatabasePages.h"
#include "support/FirebirdTools.h"
#include "support/FixtureError.h"
#include "support/OdsLayout.h"

namespace onarim::testing {

namespace {

// The format every row of the user table has: the table is never altered.
constexpr std::uint8_t kUserTableFormat = 1;

// How far past the file's last page a damaged index sibling pointer points.
constexpr std::uint32_t kSiblingPastTheEnd = 1000;

using RecordTest = bool (*)(const RecordSlot&);

bool IsLiveRow(const RecordSlot& record) {
    return record.IsLiveRow();
}
bool IsDeletedRow(const RecordSlot& record) {
    return record.IsDeletedRow();
}
bool IsBlob(const RecordSlot& record) {
    return record.IsBlob();
}

// The orphan blob is three quarters of a page long; a NOTE value is a few words.
bool IsLongBlob(const RecordSlot& record, int pageSize) {
    return record.IsBlob() && record.length > pageSize / 2;
}
bool IsDeletedOrBackVersion(const RecordSlot& record) {
    return record.IsDeletedRow() || record.IsBackVersion();
}

// The record that stands for the target: a live row, a deleted row's stub, the blob.
RecordTest TargetRecordTest(DamageTarget target) {
    switch (target) {
    case DamageTarget::LiveRows:
        return IsLiveRow;
    case DamageTarget::DeletedRows:
        return IsDeletedRow;
    case DamageTarget::OrphanBlob:
    case DamageTarget::LiveBlobs:
        return IsBlob;
    }
    throw FixtureError("unknown damage target");
}

bool Fits(const DataPage& page, DamageTarget target, int pageSize) {
    const auto& records = page.records;
    const RecordTest isTarget = TargetRecordTest(target);
    if (std::none_of(records.begin(), records.end(), isTarget)) {
        return false;
    }
    const auto isLongBlob = [&](const RecordSlot& r) { return IsLongBlob(r, pageSize); };
    switch (target) {
    case DamageTarget::LiveRows:
        return !page.secondary;
    case DamageTarget::DeletedRows:
        return !page.secondary &&
               std::all_of(records.begin(), records.end(), IsDeletedOrBackVersion);
    case DamageTarget::OrphanBlob:
        return std::all_of(records.begin(), records.end(), isTarget) &&
               std::any_of(records.begin(), records.end(), isLongBlob);
    case DamageTarget::LiveBlobs:
        return std::all_of(records.begin(), records.end(), isTarget) &&
               std::none_of(records.begin(), records.end(), isLongBlob);
    }
    return false;
}

const RecordSlot& TargetRecord(const DataPage& page, DamageTarget target, int pageSize) {
    const auto& records = page.records;
    if (target == DamageTarget::OrphanBlob) {
        return *std::find_if(records.begin(), records.end(),
                             [&](const RecordSlot& r) { return IsLongBlob(r, pageSize); });
    }
    return *std::find_if(records.begin(), records.end(), TargetRecordTest(target));
}

DataPage FindTargetPage(const DatabasePages& pages, const TestDatabase& database,
                        DamageTarget target, int occurrence) {
    for (const DataPage& page : DataPagesOf(pages, database.relationId)) {
        if (Fits(page, target, pages.PageSize()) && occurrence-- == 0) {
            return page;
        }
    }
    throw FixtureError("no data page of " + ToString(target) + " in " + database.path);
}

void GarbleHeader(DatabasePages::Page& bytes, const RecordSlot& record) {
    const int header = record.offset;
    const bool hasData = record.length > ods::kRecordHeaderSize;
    WriteUInt32(bytes, header + ods::kRecordBackPage, 0);
    WriteUInt16(bytes, header + ods::kRecordBackLine, 0);
    WriteUInt16(bytes, header + ods::kRecordFlags, 0);
    bytes.at(static_cast<size_t>(header + ods::kRecordFormat)) = hasData ? 0 : kUserTableFormat;
}

void MakeLengthReachPastEnd(DatabasePages::Page& bytes, const RecordSlot& record, int pageSize) {
    const int length = pageSize - record.offset + 64;
    WriteUInt16(bytes, ods::kDataSlots + record.slot * ods::kDataSlotSize + 2,
                static_cast<std::uint16_t>(length));
}

// The first leaf page of the user table's primary key index (its only index).
std::uint32_t FindIndexLeafPage(const DatabasePages& pages, const TestDatabase& database) {
    for (std::uint32_t number = 1; number < pages.PageCount(); ++number) {
        const DatabasePages::Page page = pages.Read(number);
        if (page[ods::kPageType] == ods::kIndexBTreePageType &&
            ReadUInt16(page, ods::kIndexRelation) == database.relationId &&
            page[ods::kIndexLevel] == 0) {
            return number;
        }
    }
    throw FixtureError("no index leaf page of the user table in " + database.path);
}

// A blob page's first page of its value (blp_lead_page).
constexpr int kBlobPageLeadPage = 16;

// The pages a blob record of level 1 lists, in the value's order; empty for a value stored in
// the record itself.
std::vector<std::uint32_t> BlobPagesOf(const DatabasePages::Page& page, const RecordSlot& record) {
    std::vector<std::uint32_t> blobPages;
    if (page.at(static_cast<size_t>(record.offset + ods::kBlobLevel)) != 1) {
        return blobPages;
    }
    for (int at = ods::kBlobPages; at + 4 <= record.length; at += 4) {
        blobPages.push_back(ReadUInt32(page, record.offset + at));
    }
    return blobPages;
}

} // namespace

std::string DamageSite::Describe() const {
    return "page " + std::to_string(page) +
           (slot < 0 ? std::string() : ", record slot " + std::to_string(slot));
}

DamageTarget RepairableTarget(DamageKind kind) {
    return kind == DamageKind::WrongPageType ? DamageTarget::OrphanBlob : DamageTarget::DeletedRows;
}

DamageSite DamageDatabase(const TestDatabase& database, DamageKind kind, DamageTarget target,
                          int occurrence) {
    DatabasePages pages(database.path);
    const DataPage page = FindTargetPage(pages, database, target, occurrence);
    const RecordSlot& record = TargetRecord(page, target, pages.PageSize());
    DatabasePages::Page bytes = pages.Read(page.number);
    DamageSite site{page.number, record.slot, ReadUInt32(bytes, ods::kDataSequence)};
    switch (kind) {
    case DamageKind::WrongPageType:
        bytes[ods::kPageType] = ods::kIndexBTreePageType;
        site.slot = -1;
        break;
    case DamageKind::RecordLengthPastPage:
        MakeLengthReachPastEnd(bytes, record, pages.PageSize());
        break;
    case DamageKind::GarbledRecordHeader:
        GarbleHeader(bytes, record);
        break;
    case DamageKind::GarbledContents: {
        std::mt19937 random(page.number);
        for (std::size_t at = 16; at < bytes.size(); ++at) {
            bytes[at] = static_cast<std::uint8_t>(random());
        }
        site.slot = -1;
        break;
    }
    }
    pages.Write(page.number, bytes);
    return site;
}

DamageSite DamageDatabase(const TestDatabase& database, DamageKind kind) {
    return DamageDatabase(database, kind, RepairableTarget(kind));
}

TestDatabase UserTableOf(const std::string& path, const std::string& table) {
    const std::vector<std::string> ids =
        QueryText(path, "RDB$RELATION_ID",
                  "FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = " + SqlLiteral(table));
    if (ids.size() != 1) {
        throw FixtureError("no table " + table + " in " + path);
    }
    TestDatabase database;
    database.path = path;
    database.relationId = std::stoi(ids.front());
    return database;
}

DamageSite DamageTable(const std::string& path, const std::string& table, DamageKind kind,
                       DamageTarget target, int occurrence) {
    return DamageDatabase(UserTableOf(path, table), kind, target, occurrence);
}

DamageSite DamageIndexSibling(const TestDatabase& database) {
    DatabasePages pages(database.path);
    const std::uint32_t number = FindIndexLeafPage(pages, database);
    DatabasePages::Page bytes = pages.Read(number);
    WriteUInt32(bytes, ods::kIndexSibling, pages.PageCount() + kSiblingPastTheEnd);
    pages.Write(number, bytes);
    return DamageSite{number, -1};
}

DamageSite DamageIndexPage(const TestDatabase& database) {
    DatabasePages pages(database.path);
    const std::uint32_t number = FindIndexLeafPage(pages, database);
    DatabasePages::Page bytes = pages.Read(number);
    constexpr int kGarbledBytes = 16;
    std::fill_n(bytes.begin() + ods::kIndexNodes, kGarbledBytes, std::uint8_t{0xA5});
    pages.Write(number, bytes);
    return DamageSite{number, -1};
}

DamageSite DamageBlobPage(const TestDatabase& database, bool beyondMending) {
    DatabasePages pages(database.path);
    for (const DataPage& dataPage : DataPagesOf(pages, database.relationId)) {
        const DatabasePages::Page bytes = pages.Read(dataPage.number);
        for (const RecordSlot& record : dataPage.records) {
            const std::vector<std::uint32_t> blobPages =
                record.IsBlob() ? BlobPagesOf(bytes, record) : std::vector<std::uint32_t>{};
            if (blobPages.empty()) {
                continue;
            }
            const std::uint32_t number = blobPages.back();
            DatabasePages::Page blobPage = pages.Read(number);
            if (blobPage[ods::kPageType] != ods::kBlobPageType) {
                throw FixtureError("page " + std::to_string(number) +
                                   " listed by the blob on page " +
                                   std::to_string(dataPage.number) + " is no blob page");
            }
            blobPage[ods::kPageType] = ods::kDataPageType;
            if (beyondMending) {
                WriteUInt32(blobPage, kBlobPageLeadPage,
                            ReadUInt32(blobPage, kBlobPageLeadPage) + 1);
            }
            pages.Write(number, blobPage);
            return DamageSite{number, -1, static_cast<std::uint32_t>(blobPages.size() - 1)};
        }
    }
    throw FixtureError("no value on blob pages in the user table of " + database.path);
}

std::string ToString(DamageKind kind) {
    switch (kind) {
    case DamageKind::WrongPageType:
        return "WrongPageType";
    case DamageKind::RecordLengthPastPage:
        return "RecordLengthPastPage";
    case DamageKind::GarbledRecordHeader:
        return "GarbledRecordHeader";
    case DamageKind::GarbledContents:
        return "GarbledContents";
    }
    return "?";
}

std::string ToString(DamageTarget target) {
    switch (target) {
    case DamageTarget::LiveRows:
        return "LiveRows";
    case DamageTarget::DeletedRows:
        return "DeletedRows";
    case DamageTarget::OrphanBlob:
        return "OrphanBlob";
    case DamageTarget::LiveBlobs:
        return "LiveBlobs";
    }
    return "?";
}

} // namespace onarim::testing
