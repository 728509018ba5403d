#include "ods/RelationPages.h"

#include <set>

#include "ods/PageHeader.h"
#include "ods/PointerPage.h"

namespace onarim::ods {

TRelationPages::TRelationPages(const TDatabaseFile& file, const TPagesDirectory& directory,
                               std::uint16_t relation)
    : relation_(relation) {
    const TPageGeometry geometry(file.PageSize());
    const std::vector<std::uint32_t> listed =
        relation == 0 ? std::vector<std::uint32_t>{file.Header().pagesPage}
                      : directory.Pages(relation, kPagesTypePointer);
    std::set<std::uint32_t> visited;
    std::set<std::uint32_t> listedData;
    std::uint32_t chained = 0;
    for (std::uint32_t sequence = 0;; ++sequence) {
        const std::uint32_t page =
            sequence < listed.size() && listed[sequence] != 0 ? listed[sequence] : chained;
        chained = 0;
        if (page == 0) {
            if (sequence + 1 < listed.size()) {
                continue; // a gap in RDB$PAGES after a pointer page that could not be read
            }
            break;
        }
        const std::string what =
            "pointer page " + std::to_string(sequence) + " of relation " + std::to_string(relation);
        if (page >= file.PageCount() || !visited.insert(page).second) {
            problems_.push_back(
                {page, std::nullopt, what + " lies past the end of the file or repeats"});
            continue;
        }
        const std::vector<std::uint8_t> bytes = file.ReadPage(page);
        const TPointerPage pointer = TPointerPage::Read(bytes, geometry);
        if (bytes[0] != static_cast<std::uint8_t>(TPageType::Pointer) ||
            pointer.relation != relation || pointer.sequence != sequence ||
            !pointer.Plausible(geometry)) {
            problems_.push_back(
                {page, std::nullopt, "not " + what + ": the data pages it lists are not read"});
            continue;
        }
        for (std::uint32_t slot = 0; slot < pointer.count; ++slot) {
            const std::uint32_t data = pointer.Page(slot);
            if (data == 0) {
                continue;
            }
            const std::uint32_t dataSequence = sequence * geometry.dataPagesPerPointerPage + slot;
            // Its rows are read once, at the first place that lists it.
            if (!listedData.insert(data).second) {
                problems_.push_back({data, std::nullopt,
                                     "data page listed again, as sequence " +
                                         std::to_string(dataSequence) + " of relation " +
                                         std::to_string(relation) +
                                         ": the page that belongs there is not known"});
                continue;
            }
            pages_.push_back({dataSequence, data});
            if (bySequence_.size() <= dataSequence) {
                bySequence_.resize(dataSequence + 1, 0);
            }
            bySequence_[dataSequence] = data;
        }
        chained = pointer.next;
        if (sequence > file.PageCount()) {
            break; // more pointer pages than pages: a chain that never ends
        }
    }
}

std::optional<std::uint32_t> TRelationPages::PageOf(std::uint32_t sequence) const {
    if (sequence >= bySequence_.size() || bySequence_[sequence] == 0) {
        return std::nullopt;
    }
    return bySequence_[sequence];
}

} // namespace onarim::ods
