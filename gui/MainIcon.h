#pragma once

#include <QIcon>
#include <QImage>

namespace onarim {

// The program's icon at `size` by `size` pixels (16 and 32 are the sizes the program ships): a
// blue database drum with a first-aid cross in front of it, on a transparent background. Drawn
// without text, so it needs no application object.
QImage DrawMainIcon(int size);

// The icon with its 16 and 32 pixel images, for the application's windows.
QIcon MainIcon();

} // namespace onarim
