#include "app/FormFont.h"

namespace onarim {

QFont FormFont(const QString& family, int pixelHeight, bool bold) {
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

} // namespace onarim
