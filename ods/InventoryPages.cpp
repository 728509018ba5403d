#include "ods/InventoryPages.h"

namespace onarim::ods {

namespace {

TBytes WholePage(TBytes page, const TPageGeometry& geometry) {
    RequireInside(page, 0, geometry.pageSize);
    return page.first(geometry.pageSize);
}

} // namespace

TPipPage TPipPage::Read(TBytes page, const TPageGeometry& geometry) {
    page = WholePage(page, geometry);
    return {Get32(page, 16), Get32(page, 20), Get32(page, 24), page.subspan(28)};
}

bool TPipPage::Plausible(const TPageGeometry& geometry) const {
    return minimum <= geometry.pagesPerPip && extent <= geometry.pagesPerPip &&
           used <= geometry.pagesPerPip;
}

TScnPage TScnPage::Read(TBytes page, const TPageGeometry& geometry) {
    page = WholePage(page, geometry);
    return {Get32(page, 16), page.subspan(20, 4 * static_cast<std::size_t>(geometry.pagesPerScn))};
}

TTipPage TTipPage::Read(TBytes page, const TPageGeometry& geometry) {
    page = WholePage(page, geometry);
    return {Get32(page, 16), page.subspan(20)};
}

TGeneratorPage TGeneratorPage::Read(TBytes page, const TPageGeometry& geometry) {
    page = WholePage(page, geometry);
    return {Get32(page, 16), page.subspan(24, 8 * static_cast<std::size_t>(geometry.generatorsPerPage))};
}

} // namespace onarim::ods
