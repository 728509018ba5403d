#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace onarim {

// One data page of a table as its pointer page lists it, judged by its own body.
struct TTableDataPage {
    std::uint32_t sequence = 0; // its place among the table's data pages
    std::uint32_t page = 0;
    std::uint16_t lines = 0; // line index entries; 0 on a page that is not sound
    bool secondary = false;  // holds no primary record versions (blobs, back versions)
    // Its type is "data" and its body names this table and this sequence, with a line index
    // that fits the page. The engine reads the records of a page that is not sound all the
    // same: garbage that decodes to rows of blanks and zeros, or an internal consistency
    // check per record, so nothing read from it is the table's.
    bool sound = false;
    // What the page holds instead, for the operator; empty on a sound page.
    std::string why;
};

// Where a table's rows lie in the file.
struct TTablePages {
    // Record numbers a data page spans: record number = sequence * recordsPerPage + line.
    std::uint64_t recordsPerPage = 0;
    std::vector<TTableDataPage> pages; // in sequence order

    bool AllSound() const;
};

// Reads the data pages of relation `relationId` from the database file at `path`, without the
// engine: the pointer pages `pointerPages` (page numbers in their sequence order, as
// RDB$PAGES lists them) and every data page they list. The file may be open in an engine
// that only reads it. Raises onarim::ods::EOdsError when the file cannot be read or a pointer
// page is not one of this relation at its sequence: then the file says nothing reliable of
// where the rows lie.
TTablePages ReadTablePages(const std::string& path, int relationId,
                           const std::vector<std::uint32_t>& pointerPages);

} // namespace onarim
