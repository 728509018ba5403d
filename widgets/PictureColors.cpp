#include "widgets/PictureColors.h"

namespace onarim {

QRgb TransparentColorOf(const QImage& picture) {
    if (picture.isNull()) {
        return qRgb(0, 0, 0);
    }
    if (picture.depth() == 1) {
        return qRgb(255, 255, 255);
    }
    return picture.pixel(0, picture.height() - 1) | 0xFF000000u;
}

QImage WithColorReplaced(const QImage& picture, QRgb key, QRgb replacement) {
    const bool needsAlpha = qAlpha(replacement) < 255;
    QImage result =
        picture.convertToFormat(needsAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const QRgb opaqueKey = key | 0xFF000000u;
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            if ((line[x] | 0xFF000000u) == opaqueKey) {
                line[x] = replacement;
            }
        }
    }
    return result;
}

} // namespace onarim
