#include "support/DatabasePages.h"

#include <fstream>
#include <map>

#include "support/FixtureError.h"
#include "support/OdsLayout.h"

namespace onarim::testing {

namespace {

void CheckRange(const DatabasePages::Page& page, int offset, int size) {
    if (offset < 0 || static_cast<size_t>(offset) + static_cast<size_t>(size) > page.size()) {
        throw FixtureError("page field at offset " + std::to_string(offset) + " is past the page");
    }
}

std::fstream Open(const std::string& path, std::ios::openmode mode) {
    std::fstream file(path, mode | std::ios::binary);
    if (!file) {
        throw FixtureError("cannot open the database file " + path);
    }
    return file;
}

bool IsValidPageSize(int size) {
    return size == 4096 || size == 8192 || size == 16384;
}

std::vector<RecordSlot> RecordsOf(const DatabasePages::Page& page) {
    std::vector<RecordSlot> records;
    const int count = ReadUInt16(page, ods::kDataCount);
    for (int slot = 0; slot < count; ++slot) {
        const int entry = ods::kDataSlots + slot * ods::kDataSlotSize;
        RecordSlot record;
        record.slot = slot;
        record.offset = ReadUInt16(page, entry);
        record.length = ReadUInt16(page, entry + 2);
        if (record.offset == 0 || record.length == 0) {
            continue;
        }
        record.flags = ReadUInt16(page, record.offset + ods::kRecordFlags);
        records.push_back(record);
    }
    return records;
}

// Pointer pages of the relation by their sequence number.
std::map<std::uint32_t, DatabasePages::Page> PointerPagesOf(const DatabasePages& pages,
                                                            int relationId) {
    std::map<std::uint32_t, DatabasePages::Page> pointerPages;
    for (std::uint32_t number = 1; number < pages.PageCount(); ++number) {
        DatabasePages::Page page = pages.Read(number);
        if (page[ods::kPageType] == ods::kPointerPageType &&
            ReadUInt16(page, ods::kPointerRelation) == relationId) {
            pointerPages[ReadUInt32(page, ods::kPointerSequence)] = std::move(page);
        }
    }
    return pointerPages;
}

} // namespace

DatabasePages::DatabasePages(std::string path) : path_(std::move(path)) {
    std::fstream file = Open(path_, std::ios::in);
    Page header(ods::kHeaderPageSize + 2);
    file.read(reinterpret_cast<char*>(header.data()), static_cast<std::streamsize>(header.size()));
    if (!file || header[ods::kPageType] != ods::kHeaderPageType) {
        throw FixtureError(path_ + " does not start with a database header page");
    }
    pageSize_ = ReadUInt16(header, ods::kHeaderPageSize);
    if (!IsValidPageSize(pageSize_)) {
        throw FixtureError(path_ + " has an unexpected page size " + std::to_string(pageSize_));
    }
    file.seekg(0, std::ios::end);
    pageCount_ = static_cast<std::uint32_t>(file.tellg() / pageSize_);
}

DatabasePages::Page DatabasePages::Read(std::uint32_t number) const {
    if (number >= pageCount_) {
        throw FixtureError("page " + std::to_string(number) + " is past the end of " + path_);
    }
    std::fstream file = Open(path_, std::ios::in);
    Page page(static_cast<size_t>(pageSize_));
    file.seekg(static_cast<std::streamoff>(number) * pageSize_);
    file.read(reinterpret_cast<char*>(page.data()), pageSize_);
    if (!file) {
        throw FixtureError("cannot read page " + std::to_string(number) + " of " + path_);
    }
    return page;
}

void DatabasePages::Write(std::uint32_t number, const Page& page) {
    if (number >= pageCount_ || page.size() != static_cast<size_t>(pageSize_)) {
        throw FixtureError("cannot write page " + std::to_string(number) + " of " + path_);
    }
    std::fstream file = Open(path_, std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(number) * pageSize_);
    file.write(reinterpret_cast<const char*>(page.data()), pageSize_);
    file.flush();
    if (!file) {
        throw FixtureError("cannot write page " + std::to_string(number) + " of " + path_);
    }
}

bool RecordSlot::IsLiveRow() const {
    constexpr std::uint16_t notPrimary = ods::kRecordDeleted | ods::kRecordChain |
                                         ods::kRecordFragment | ods::kRecordBlob |
                                         ods::kRecordDamaged;
    return (flags & notPrimary) == 0;
}

bool RecordSlot::IsDeletedRow() const {
    return (flags & ods::kRecordDeleted) != 0 && (flags & ods::kRecordChain) == 0;
}

bool RecordSlot::IsBackVersion() const {
    return (flags & ods::kRecordChain) != 0;
}

bool RecordSlot::IsBlob() const {
    return (flags & ods::kRecordBlob) != 0;
}

std::vector<DataPage> DataPagesOf(const DatabasePages& pages, int relationId) {
    std::vector<DataPage> dataPages;
    for (const auto& [sequence, pointerPage] : PointerPagesOf(pages, relationId)) {
        const int count = ReadUInt16(pointerPage, ods::kPointerCount);
        for (int slot = 0; slot < count; ++slot) {
            const std::uint32_t number = ReadUInt32(pointerPage, ods::kPointerPages + 4 * slot);
            if (number == 0) {
                continue;
            }
            const DatabasePages::Page page = pages.Read(number);
            if (page[ods::kPageType] != ods::kDataPageType ||
                ReadUInt16(page, ods::kDataRelation) != relationId) {
                throw FixtureError("pointer page entry " + std::to_string(number) +
                                   " is not a data page of relation " + std::to_string(relationId));
            }
            DataPage dataPage;
            dataPage.number = number;
            dataPage.secondary = (page[ods::kPageFlags] & ods::kDataPageSecondary) != 0;
            dataPage.records = RecordsOf(page);
            dataPages.push_back(std::move(dataPage));
        }
    }
    return dataPages;
}

std::uint16_t ReadUInt16(const DatabasePages::Page& page, int offset) {
    CheckRange(page, offset, 2);
    return static_cast<std::uint16_t>(page[offset] | page[offset + 1] << 8);
}

std::uint32_t ReadUInt32(const DatabasePages::Page& page, int offset) {
    CheckRange(page, offset, 4);
    return static_cast<std::uint32_t>(ReadUInt16(page, offset)) |
           static_cast<std::uint32_t>(ReadUInt16(page, offset + 2)) << 16;
}

void WriteUInt16(DatabasePages::Page& page, int offset, std::uint16_t value) {
    CheckRange(page, offset, 2);
    page[offset] = static_cast<std::uint8_t>(value & 0xFF);
    page[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void WriteUInt32(DatabasePages::Page& page, int offset, std::uint32_t value) {
    WriteUInt16(page, offset, static_cast<std::uint16_t>(value & 0xFFFF));
    WriteUInt16(page, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

} // namespace onarim::testing
