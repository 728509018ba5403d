#pragma once

#include <string_view>

namespace onarim {

// Where the database server keeps its command-line tools, as this platform names them. A
// Firebird instance directory (ending with a separator) holds them in kToolSubdirectory; the
// tool names start with the separator that joins them to the tool directory.
inline constexpr std::string_view kToolSubdirectory = "bin";
inline constexpr std::string_view kGfixToolName = "/gfix";
inline constexpr std::string_view kGbakToolName = "/gbak";

// Separator between a directory and the names in it.
inline constexpr char kPathSeparator = '/';

} // namespace onarim
