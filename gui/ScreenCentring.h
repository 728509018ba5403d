#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

namespace onarim {

// Where the client area of a window goes so that the window is centred on `screen`: its frame,
// the client area of `clientSize` grown by `frameMargins`, has its centre on the screen's
// centre (half a pixel up and to the left when the sizes differ by an odd number). A frame
// larger than the screen starts at the screen's top-left corner, so that its title bar stays
// within reach.
QRect CentredClientGeometry(QSize clientSize, QMargins frameMargins, QRect screen);

// Centres the top-level `window` on the whole geometry of its screen, frame included, each time
// it is shown. The frame is known only once the window system has framed the window (an X11
// window manager frames it when it maps it), so the window is centred as it is shown and, when
// its frame then turns out other than it was taken to be, once more when it is first exposed.
void CentreOnScreenWhenShown(QWidget& window);

} // namespace onarim
