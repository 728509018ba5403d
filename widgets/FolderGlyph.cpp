#include "widgets/FolderGlyph.h"

#include <array>
#include <string_view>

namespace onarim {
namespace {

constexpr int kWidth = 14;
constexpr int kHeight = 12;

// K black, G grey (0x808080), W white, . magenta background.
constexpr std::array<std::string_view, kHeight> kRows = {
    "........KKK...",
    ".......K...K.K",
    ".......K....KK",
    ".KKKK......KKK",
    "KGGGGKKKKK....",
    "KGGGGGGGGK....",
    "KGGKKKKKKKKKK.",
    "KGKWWWWWWWWWK.",
    "KKWWWWWWWWWK..",
    "KKWWWWWWWWK...",
    "KKKKKKKKKK....",
    "..............",
};

constexpr bool RowsHaveTheWidth() {
    for (std::string_view row : kRows) {
        if (row.size() != kWidth) {
            return false;
        }
    }
    return true;
}
static_assert(RowsHaveTheWidth());

QRgb PixelColor(char code) {
    switch (code) {
    case 'K': return qRgb(0, 0, 0);
    case 'G': return qRgb(0x80, 0x80, 0x80);
    case 'W': return qRgb(0xFF, 0xFF, 0xFF);
    default: return qRgb(0xFF, 0x00, 0xFF);
    }
}

QImage MakeFolderGlyph() {
    // An indexed picture, like the 16-colour bitmap it stands for.
    QImage picture(kWidth, kHeight, QImage::Format_Indexed8);
    picture.setColorTable({PixelColor('.'), PixelColor('K'), PixelColor('G'), PixelColor('W')});
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const char code = kRows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            picture.setPixel(x, y, code == 'K' ? 1 : code == 'G' ? 2 : code == 'W' ? 3 : 0);
        }
    }
    return picture;
}

} // namespace

const QImage& FolderGlyph() {
    static const QImage picture = MakeFolderGlyph();
    return picture;
}

} // namespace onarim
