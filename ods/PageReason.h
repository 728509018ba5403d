#pragma once

#include <cstdint>
#include <string>

#include "ods/PageMapEntry.h"

namespace onarim::ods {

// The reason text of a map entry: which structure named the page, e.g. "RDB$PAGES: pointer
// page 0 of relation 128" or "pointer page 212 slot 3 of relation 128".
std::string ReasonOf(const TPageMapEntry& entry, std::uint32_t dataPagesPerPointerPage);

} // namespace onarim::ods
