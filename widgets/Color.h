#pragma once

#include <cstdint>

#include <QColor>
#include <QPalette>

namespace onarim {

// A colour as the forms store it: red in the low byte, green in the second, blue in the third
// (0xFF8000 is red 0, green 128, blue 255). A value 0xFF0000nn names the desktop's system
// colour number nn (button face 0xFF00000F, button shadow 0xFF000010, button highlight
// 0xFF000014, ...), which follows the application's palette.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clBtnFace = 0xFF00000F;
inline constexpr TColor clBtnShadow = 0xFF000010;
inline constexpr TColor clBtnHighlight = 0xFF000014;

// The colour to paint with. A system colour is taken from the application's palette (active
// group); a system colour number that the desktop does not know gives black. Any other value
// is read as red, green and blue from its three low bytes; its high byte is ignored.
QColor ToQColor(TColor color);

// The same, with system colours taken from the given palette.
QColor ToQColor(TColor color, const QPalette& palette);

// The colour value of an RGB colour (alpha ignored): the inverse of ToQColor for plain colours.
TColor FromQColor(const QColor& color);

} // namespace onarim
