#pragma once

#include <string>

namespace onarim {

// The program's title: its executable's file name without the directory and without everything
// from the first full stop on, every character after the first lower-cased ("ONARIM.EXE" gives
// "Onarim", "onarim-cli" stays). Captions error messages and frames trace output.
std::string ApplicationTitle();

// The title for an executable path, by the same rule.
std::string ApplicationTitleFor(const std::string& executablePath);

} // namespace onarim
