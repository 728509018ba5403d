#pragma once

#include <cstdint>

#include "ods/DatabaseFile.h"
#include "ods/PageGeometry.h"

namespace onarim::ods {

// The scn that page `page` must carry: its slot on the SCN inventory page of its range, 0
// when that page is outside the file or its body does not name the range (a database that
// never used nbackup has 0 everywhere).
std::uint32_t ExpectedScn(const TDatabaseFile& file, const TPageGeometry& geometry,
                          std::uint32_t page);

} // namespace onarim::ods
