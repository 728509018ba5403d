#include "ods/ScnLookup.h"

#include "ods/InventoryPages.h"

namespace onarim::ods {

std::uint32_t ExpectedScn(const TDatabaseFile& file, const TPageGeometry& geometry,
                          std::uint32_t page) {
    const std::uint32_t range = page / geometry.pagesPerScn;
    const std::uint64_t scnPage = geometry.ScnPage(range);
    if (scnPage >= file.PageCount()) {
        return 0;
    }
    const auto bytes = file.ReadPage(static_cast<std::uint32_t>(scnPage));
    const TScnPage scn = TScnPage::Read(bytes, geometry);
    return scn.sequence == range ? scn.Scn(page % geometry.pagesPerScn) : 0;
}

} // namespace onarim::ods
