#pragma once

#include <QImage>

#include "widgets/Color.h"

namespace onarim {

// The browse button's built-in picture: an open folder (black outline, white front, grey
// inner flap) under a small black arrow that curves over its right half and points down to
// the right; 14 x 12 pixels on magenta, which counts as transparent because it is the colour
// of the bottom-left pixel. Made once, on first use, and shared.
const QImage& FolderGlyph();

inline constexpr TColor kFolderGlyphTransparent = 0xFF00FF;

} // namespace onarim
