#pragma once

#include <string>

#include "cli/CheckResult.h"

namespace onarim {

// The one line of the monitoring plugins' convention, without its line end:
//   ONARIM <STATUS> - <database>: <text> | pages=<n> gap=<n>;<warn gap> errors=<n>
// <text> is every finding, the worst first, separated by "; ", or for a sound database
// "sağlam, <n> tablo doğrulandı, hata yok". A value that is not known is "U". Line breaks in
// the texts become blanks and "|", which would begin the performance data, becomes "¦", so
// that a path or a server message cannot break the line.
std::string CheckStatusLine(const TCheckResult& result);

} // namespace onarim
