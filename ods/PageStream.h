#pragma once

#include <cstdint>
#include <functional>

#include "ods/DatabaseFile.h"

namespace onarim::ods {

// Reads the whole file from first page to last in runs of several megabytes (one pread per
// run, not per page) and hands each run to `visit(firstPage, pageCount, bytes)`. The bytes
// are valid only during the call.
void ForEachPageRun(const TDatabaseFile& file,
                    const std::function<void(std::uint32_t, std::uint32_t, TBytes)>& visit);

// A digest of a page's bytes (FNV-1a, 64 bits), to notice that a page changed between the
// check and the mend.
std::uint64_t PageDigest(TBytes page);

} // namespace onarim::ods
