#pragma once

#include <string>

namespace onarim {

// Quotes one argument for a command line that is split by the Windows rules for double quotes
// and backslashes, so that it comes back as exactly one argument with exactly these bytes.
// An argument without blanks, tabs, line breaks or double quotes is returned unchanged unless
// `always` is set; otherwise it is enclosed in double quotes, with an embedded quote written
// as \" and the backslashes before a quote (or before the closing quote) doubled.
std::string QuoteCommandLineArgument(const std::string& argument, bool always = false);

} // namespace onarim
