#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace onarim::testing {

// Page-level access to a Firebird 3 database file that no engine has open. The page size is
// read from the header page. Raises FixtureError when the file cannot be opened, read or
// written, or does not look like a database.
class DatabasePages {
public:
    using Page = std::vector<std::uint8_t>;

    explicit DatabasePages(std::string path);

    int PageSize() const { return pageSize_; }
    std::uint32_t PageCount() const { return pageCount_; }
    Page Read(std::uint32_t number) const;
    void Write(std::uint32_t number, const Page& page);

private:
    std::string path_;
    int pageSize_ = 0;
    std::uint32_t pageCount_ = 0;
};

// One record slot of a data page, with the header fields the fixtures look at.
struct RecordSlot {
    int slot = 0;
    std::uint16_t offset = 0;
    std::uint16_t length = 0;
    std::uint16_t flags = 0;

    bool IsLiveRow() const;    // a primary version: not deleted, back version, fragment or blob
    bool IsDeletedRow() const; // the stub a committed delete leaves until garbage collection
    bool IsBackVersion() const;
    bool IsBlob() const;
};

// A data page of a relation, as its pointer page lists it.
struct DataPage {
    std::uint32_t number = 0;
    bool secondary = false;          // holds no primary record versions; table scans pass it by
    std::vector<RecordSlot> records; // the non-empty slots
};

// The data pages of relation `relationId`, in the order of its pointer pages.
std::vector<DataPage> DataPagesOf(const DatabasePages& pages, int relationId);

// Little-endian field access inside a page. Raise FixtureError past the page's end.
std::uint16_t ReadUInt16(const DatabasePages::Page& page, int offset);
std::uint32_t ReadUInt32(const DatabasePages::Page& page, int offset);
void WriteUInt16(DatabasePages::Page& page, int offset, std::uint16_t value);
void WriteUInt32(DatabasePages::Page& page, int offset, std::uint32_t value);

} // namespace onarim::testing
