#include "gui/FormFont.h"

#include <QFontDatabase>

namespace onarim {

namespace {

// The forms were laid out for narrow bitmap fonts; a wider stand-in is drawn condensed so that
// their texts keep to their places.
constexpr int kStandInStretch = 85;

} // namespace

QFont FormFont(const QString& family, int pixelHeight, bool bold) {
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    if (!QFontDatabase::hasFamily(family)) {
        font.setStretch(kStandInStretch);
    }
    return font;
}

} // namespace onarim
