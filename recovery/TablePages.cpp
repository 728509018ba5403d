#include "recovery/TablePages.h"

#include "ods/DataPage.h"
#include "ods/DatabaseFile.h"
#include "ods/PageHeader.h"
#include "ods/PointerPage.h"

namespace onarim {

namespace {

using namespace onarim::ods;

TTableDataPage JudgeDataPage(const TDatabaseFile& file, const TPageGeometry& geometry,
                             int relationId, std::uint32_t sequence, std::uint32_t number) {
    TTableDataPage judged{sequence, number, 0, false, false, {}};
    if (number >= file.PageCount()) {
        judged.why = "veri sayfası " + std::to_string(number) + " dosyanın sonundan sonra";
        return judged;
    }
    const std::vector<std::uint8_t> bytes = file.ReadPage(number);
    const TPageHeader header = TPageHeader::Read(bytes);
    const TDataPage data = TDataPage::Read(bytes, geometry);
    if (header.type != static_cast<std::uint8_t>(TPageType::Data)) {
        const char* type = PageTypeName(header.type);
        judged.why = "veri sayfası " + std::to_string(number) + " bir " +
                     (type != nullptr ? type : "bilinmeyen tür") + " sayfası";
        return judged;
    }
    if (data.relation != relationId || data.sequence != sequence || !data.Plausible(geometry)) {
        judged.why = "veri sayfası " + std::to_string(number) +
                     " bu tablonun değil: içeriği ilişki " + std::to_string(data.relation) +
                     ", sıra " + std::to_string(data.sequence) + ", " + std::to_string(data.count) +
                     " satır diyor";
        return judged;
    }
    judged.lines = data.count;
    judged.secondary = (header.flags & kDataSecondary) != 0;
    judged.sound = true;
    return judged;
}

} // namespace

bool TTablePages::AllSound() const {
    for (const TTableDataPage& page : pages) {
        if (!page.sound) {
            return false;
        }
    }
    return true;
}

TTablePages ReadTablePages(const std::string& path, int relationId,
                           const std::vector<std::uint32_t>& pointerPages) {
    const TDatabaseFile file(path, TDatabaseFile::TAccess::ReadOnly);
    const TPageGeometry geometry(file.PageSize());
    TTablePages table;
    table.recordsPerPage = geometry.maxRecordsPerDataPage;
    for (std::uint32_t sequence = 0; sequence < pointerPages.size(); ++sequence) {
        const std::uint32_t number = pointerPages[sequence];
        const std::vector<std::uint8_t> bytes = file.ReadPage(number);
        const TPointerPage pointer = TPointerPage::Read(bytes, geometry);
        if (bytes[0] != static_cast<std::uint8_t>(TPageType::Pointer) ||
            pointer.relation != relationId || pointer.sequence != sequence ||
            !pointer.Plausible(geometry)) {
            throw EOdsError("page " + std::to_string(number) + " is no pointer page " +
                            std::to_string(sequence) + " of relation " +
                            std::to_string(relationId));
        }
        for (std::uint32_t slot = 0; slot < pointer.count; ++slot) {
            if (const std::uint32_t page = pointer.Page(slot); page != 0) {
                table.pages.push_back(
                    JudgeDataPage(file, geometry, relationId,
                                  sequence * geometry.dataPagesPerPointerPage + slot, page));
            }
        }
    }
    return table;
}

} // namespace onarim
