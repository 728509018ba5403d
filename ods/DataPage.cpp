#include "ods/DataPage.h"

namespace onarim::ods {

namespace {
constexpr std::size_t kLineIndex = 24;
} // namespace

TDataPage TDataPage::Read(TBytes page, const TPageGeometry& geometry) {
    RequireInside(page, 0, geometry.pageSize);
    return {Get32(page, 16), Get16(page, 20), Get16(page, 22), page.first(geometry.pageSize)};
}

bool TDataPage::Plausible(const TPageGeometry& geometry) const {
    return count <= geometry.maxRecordsPerDataPage && kLineIndex + 4u * count <= page.size();
}

TLine TDataPage::Line(std::uint16_t line) const {
    const std::size_t entry = kLineIndex + 4u * line;
    return {Get16(page, entry), Get16(page, entry + 2)};
}

std::optional<TBytes> TDataPage::Piece(std::uint16_t line) const {
    if (line >= count || kLineIndex + 4u * count > page.size()) {
        return std::nullopt;
    }
    const TLine entry = Line(line);
    if (entry.Empty() || entry.offset < kLineIndex + 4u * count ||
        entry.offset + static_cast<std::size_t>(entry.length) > page.size()) {
        return std::nullopt;
    }
    return page.subspan(entry.offset, entry.length);
}

} // namespace onarim::ods
