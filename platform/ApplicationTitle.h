#pragma once

#include <string>
#include <string_view>

namespace onarim {

// The application's title, as the GUI's application object would report it: the executable's
// file name without its directory and without everything from its first full stop, every
// character after the first lower-cased ("/opt/x/ONARIM.bin" gives "Onarim"). Taken from
// /proc/self/exe, or from the name the program was started under when that cannot be read;
// worked out once. The trace hook frames its texts with it and the GUI uses it as the caption
// of error boxes.
const std::string& ApplicationTitle();

// The running program's executable file (/proc/self/exe), or the name the program was started
// under when that cannot be read.
std::string ExecutablePath();

// The title for the executable `path` (UTF-8; characters outside ASCII are lower-cased too).
std::string ApplicationTitleFromPath(std::string_view path);

} // namespace onarim
