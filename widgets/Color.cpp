#include "widgets/Color.h"

#include <QGuiApplication>

namespace onarim {
namespace {

constexpr TColor kSystemColorTag = 0xFF000000;

struct SystemRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The desktop's system colour numbers, each on the palette role that plays its part in Qt.
bool SystemColorRole(unsigned number, SystemRole& out) {
    using P = QPalette;
    switch (number) {
    case 0: out = {P::Active, P::Mid}; return true;               // scroll bar
    case 1: out = {P::Active, P::Dark}; return true;              // desktop background
    case 2: out = {P::Active, P::Highlight}; return true;         // active caption
    case 3: out = {P::Inactive, P::Highlight}; return true;       // inactive caption
    case 4: out = {P::Active, P::Window}; return true;            // menu
    case 5: out = {P::Active, P::Base}; return true;              // window
    case 6: out = {P::Active, P::Shadow}; return true;            // window frame
    case 7: out = {P::Active, P::WindowText}; return true;        // menu text
    case 8: out = {P::Active, P::Text}; return true;              // window text
    case 9: out = {P::Active, P::HighlightedText}; return true;   // caption text
    case 10: out = {P::Active, P::Button}; return true;           // active border
    case 11: out = {P::Inactive, P::Button}; return true;         // inactive border
    case 12: out = {P::Active, P::Dark}; return true;             // application workspace
    case 13: out = {P::Active, P::Highlight}; return true;        // highlight
    case 14: out = {P::Active, P::HighlightedText}; return true;  // highlighted text
    case 15: out = {P::Active, P::Button}; return true;           // button face
    case 16: out = {P::Active, P::Dark}; return true;             // button shadow
    case 17: out = {P::Disabled, P::Text}; return true;           // grey text
    case 18: out = {P::Active, P::ButtonText}; return true;       // button text
    case 19: out = {P::Inactive, P::HighlightedText}; return true; // inactive caption text
    case 20: out = {P::Active, P::Light}; return true;            // button highlight
    case 21: out = {P::Active, P::Shadow}; return true;           // 3D dark shadow
    case 22: out = {P::Active, P::Midlight}; return true;         // 3D light
    case 23: out = {P::Active, P::ToolTipText}; return true;      // tooltip text
    case 24: out = {P::Active, P::ToolTipBase}; return true;      // tooltip background
    case 26: out = {P::Active, P::Link}; return true;             // hot-tracked item
    case 27: out = {P::Active, P::Highlight}; return true;        // active caption gradient
    case 28: out = {P::Inactive, P::Highlight}; return true;      // inactive caption gradient
    case 29: out = {P::Active, P::Highlight}; return true;        // menu highlight
    case 30: out = {P::Active, P::Window}; return true;           // menu bar
    default: return false;
    }
}

} // namespace

QColor ToQColor(TColor color, const QPalette& palette) {
    if ((color & 0xFFFFFF00u) == kSystemColorTag) {
        SystemRole system{};
        if (!SystemColorRole(color & 0xFFu, system)) {
            return QColor(0, 0, 0);
        }
        QColor result = palette.color(system.group, system.role);
        result.setAlpha(255);
        return result;
    }
    return QColor(static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
                  static_cast<int>((color >> 16) & 0xFFu));
}

QColor ToQColor(TColor color) {
    return ToQColor(color, QGuiApplication::palette());
}

TColor FromQColor(const QColor& color) {
    const QRgb rgb = color.rgb();
    return static_cast<TColor>(qRed(rgb)) | (static_cast<TColor>(qGreen(rgb)) << 8) |
           (static_cast<TColor>(qBlue(rgb)) << 16);
}

} // namespace onarim
