#pragma once

#include <string_view>

namespace onarim {

// Where the database server keeps its command-line tools on this platform. On Windows these are
// "BIN", "\GFIX.EXE" and "\GBAK.EXE"; Debian's Firebird has DefaultInstance "/usr/", which
// gives "/usr/bin/gfix".

// Subdirectory of a Firebird instance directory that holds its tools. Appended directly to the
// instance directory, which ends with a path separator.
inline constexpr std::string_view kFirebirdToolSubdirectory = "bin";

// Appended directly to a tool directory to name the validation tool and the backup tool.
inline constexpr std::string_view kGfixPathSuffix = "/gfix";
inline constexpr std::string_view kGbakPathSuffix = "/gbak";

// Separator between a directory and the names in it.
inline constexpr char kPathSeparator = '/';

} // namespace onarim
