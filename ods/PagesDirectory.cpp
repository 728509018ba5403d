#include "ods/PagesDirectory.h"

#include <set>

#include "ods/DataPage.h"
#include "ods/Decompression.h"
#include "ods/PageHeader.h"
#include "ods/PagesRelation.h"
#include "ods/PointerPage.h"
#include "ods/RecordHeader.h"

namespace onarim::ods {

TPagesDirectory::TPagesDirectory(const TDatabaseFile& file) {
    const TPageGeometry geometry(file.PageSize());
    std::set<std::uint32_t> visited;
    std::uint32_t sequence = 0;
    for (std::uint32_t page = file.Header().pagesPage; page != 0; ++sequence) {
        if (page >= file.PageCount() || !visited.insert(page).second) {
            problems_.push_back({page, std::nullopt,
                                 "pointer page " + std::to_string(sequence) +
                                     " of RDB$PAGES lies past the end of the file or repeats"});
            return;
        }
        const std::vector<std::uint8_t> bytes = file.ReadPage(page);
        const TPointerPage pointer = TPointerPage::Read(bytes, geometry);
        if (bytes[0] != static_cast<std::uint8_t>(TPageType::Pointer) ||
            pointer.relation != kPagesRelation || pointer.sequence != sequence ||
            !pointer.Plausible(geometry)) {
            problems_.push_back({page, std::nullopt,
                                 "not pointer page " + std::to_string(sequence) + " of RDB$PAGES"});
            return;
        }
        for (std::uint32_t slot = 0; slot < pointer.count; ++slot) {
            if (const std::uint32_t data = pointer.Page(slot); data != 0) {
                ReadDataPage(file, data);
            }
        }
        page = pointer.next;
    }
}

void TPagesDirectory::ReadDataPage(const TDatabaseFile& file, std::uint32_t page) {
    const TPageGeometry geometry(file.PageSize());
    if (page >= file.PageCount()) {
        problems_.push_back(
            {page, std::nullopt, "data page of RDB$PAGES past the end of the file"});
        return;
    }
    const std::vector<std::uint8_t> bytes = file.ReadPage(page);
    const TDataPage data = TDataPage::Read(bytes, geometry);
    if (data.relation != kPagesRelation || !data.Plausible(geometry)) {
        problems_.push_back({page, std::nullopt, "not a data page of RDB$PAGES"});
        return;
    }
    for (std::uint16_t line = 0; line < data.count; ++line) {
        if (data.Line(line).Empty()) {
            continue;
        }
        const std::optional<TBytes> piece = data.Piece(line);
        std::optional<TPagesRow> row;
        if (piece && piece->size() >= 13) {
            const TRecordHeader header = TRecordHeader::Read(*piece);
            if (!header.PrimaryRow() || header.Has(kRecordIncomplete)) {
                continue;
            }
            try {
                row = DecodePagesRow(
                    Decompress(piece->subspan(header.dataOffset), kPagesRecordLength));
            } catch (const EOdsError&) {
            }
        }
        if (!row) {
            problems_.push_back({page, line, "not a row of RDB$PAGES"});
            continue;
        }
        rows_[{row->relation, row->type}][row->sequence] = row->page;
    }
}

std::vector<std::uint32_t> TPagesDirectory::Pages(std::uint16_t relation,
                                                  std::uint16_t type) const {
    std::vector<std::uint32_t> pages;
    const auto found = rows_.find({relation, type});
    if (found == rows_.end()) {
        return pages;
    }
    for (const auto& [sequence, page] : found->second) {
        // A sequence far past the rows there are is no place to size a vector by.
        if (sequence >= found->second.size() + 1024) {
            break;
        }
        pages.resize(std::max<std::size_t>(pages.size(), sequence + 1), 0);
        pages[sequence] = page;
    }
    return pages;
}

} // namespace onarim::ods
