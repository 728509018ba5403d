#pragma once

#include <string>

#include "cli/CheckResult.h"

namespace onarim {

// The whole result as a JSON object (UTF-8; bytes that are not UTF-8 replaced), ended by a
// line end: "status" and "exitStatus", "line" (the status line), "database", "server",
// "warnGap", "facts" (null when unread), "validation" (null when it did not run: "finished",
// "lines", "tables", "otherErrors") and "findings" (each with "level" and "text").
std::string CheckResultToJson(const TCheckResult& result);

} // namespace onarim
