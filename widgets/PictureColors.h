#pragma once

#include <QImage>

namespace onarim {

// The colour that counts as transparent in a picture without an alpha channel: the colour of
// its bottom-left pixel, or white for a two-colour picture. Opaque black for a null picture.
QRgb TransparentColorOf(const QImage& picture);

// A 32-bit copy of the picture (ARGB32 when replacement has alpha below 255, else RGB32) with
// every pixel of the key colour (alpha ignored) in the replacement colour.
QImage WithColorReplaced(const QImage& picture, QRgb key, QRgb replacement);

} // namespace onarim
