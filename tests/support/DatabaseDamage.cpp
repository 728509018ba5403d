#include "support/DatabaseDamage.h"

#include <algorithm>
#include <vector>

#include "support/DatabasePages.h"
#include "support/FixtureError.h"
#include "support/OdsLayout.h"

namespace onarim::testing {

namespace {

// The format every row of the user table has: the table is never altered.
constexpr std::uint8_t kUserTableFormat = 1;

bool HoldsOnly(const DataPage& page, bool (*kind)(const RecordSlot&)) {
    return !page.records.empty() && std::all_of(page.records.begin(), page.records.end(),
                                                [&](const RecordSlot& r) { return kind(r); });
}

bool IsDeletedOrBackVersion(const RecordSlot& record) {
    return record.IsDeletedRow() || record.IsBackVersion();
}

bool IsBlob(const RecordSlot& record) {
    return record.IsBlob();
}

bool Fits(const DataPage& page, DamageTarget target) {
    switch (target) {
    case DamageTarget::LiveRows:
        return !page.secondary && std::any_of(page.records.begin(), page.records.end(),
                                              [](const RecordSlot& r) { return r.IsLiveRow(); });
    case DamageTarget::DeletedRows:
        return !page.secondary && HoldsOnly(page, IsDeletedOrBackVersion) &&
               std::any_of(page.records.begin(), page.records.end(),
                           [](const RecordSlot& r) { return r.IsDeletedRow(); });
    case DamageTarget::OrphanBlob:
        return HoldsOnly(page, IsBlob);
    }
    return false;
}

// The record of the page that stands for the target: a live row, a deleted row's stub, the
// blob.
const RecordSlot& TargetRecord(const DataPage& page, DamageTarget target) {
    const auto found =
        std::find_if(page.records.begin(), page.records.end(), [&](const RecordSlot& r) {
            switch (target) {
            case DamageTarget::LiveRows:
                return r.IsLiveRow();
            case DamageTarget::DeletedRows:
                return r.IsDeletedRow();
            case DamageTarget::OrphanBlob:
                return r.IsBlob();
            }
            return false;
        });
    return *found; // Fits() has made sure there is one
}

DataPage FindTargetPage(const DatabasePages& pages, const TestDatabase& database,
                        DamageTarget target) {
    for (const DataPage& page : DataPagesOf(pages, database.relationId)) {
        if (Fits(page, target)) {
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

void MakeLengthPassEnd(DatabasePages::Page& bytes, const RecordSlot& record, int pageSize) {
    const int length = pageSize - record.offset + 64;
    WriteUInt16(bytes, ods::kDataSlots + record.slot * ods::kDataSlotSize + 2,
                static_cast<std::uint16_t>(length));
}

} // namespace

std::string DamageSite::Describe() const {
    return "page " + std::to_string(page) +
           (slot < 0 ? std::string() : ", record slot " + std::to_string(slot));
}

DamageTarget RepairableTarget(DamageKind kind) {
    return kind == DamageKind::WrongPageType ? DamageTarget::OrphanBlob : DamageTarget::DeletedRows;
}

DamageSite DamageDatabase(const TestDatabase& database, DamageKind kind, DamageTarget target) {
    DatabasePages pages(database.path);
    const DataPage page = FindTargetPage(pages, database, target);
    const RecordSlot& record = TargetRecord(page, target);
    DatabasePages::Page bytes = pages.Read(page.number);
    DamageSite site{page.number, record.slot};
    switch (kind) {
    case DamageKind::WrongPageType:
        bytes[ods::kPageType] = ods::kIndexBTreePageType;
        site.slot = -1;
        break;
    case DamageKind::RecordLengthPastPage:
        MakeLengthPassEnd(bytes, record, pages.PageSize());
        break;
    case DamageKind::GarbledRecordHeader:
        GarbleHeader(bytes, record);
        break;
    }
    pages.Write(page.number, bytes);
    return site;
}

DamageSite DamageDatabase(const TestDatabase& database, DamageKind kind) {
    return DamageDatabase(database, kind, RepairableTarget(kind));
}

std::string ToString(DamageKind kind) {
    switch (kind) {
    case DamageKind::WrongPageType:
        return "WrongPageType";
    case DamageKind::RecordLengthPastPage:
        return "RecordLengthPastPage";
    case DamageKind::GarbledRecordHeader:
        return "GarbledRecordHeader";
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
    }
    return "?";
}

} // namespace onarim::testing
