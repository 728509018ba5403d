#pragma once

#include <QImage>

namespace onarim {

// The password dialog's banner, 320 by 59 pixels, 24-bit colour: a horizontal gradient from
// near-white at the left to blue at the right, two keys at the left end, a faint large key
// towards the right and an orange line along the bottom edge; no text. Its bottom-left pixel is
// white, the colour the dialog leaves out when it draws the banner.
QImage DrawPasswordBanner();

} // namespace onarim
