#include "ods/PageStream.h"

#include <algorithm>
#include <fcntl.h>
#include <vector>

namespace onarim::ods {

namespace {

// Large enough that the system call per run costs nothing next to the copy, small enough to
// stay in the processor's caches' reach while the pages are looked at.
constexpr std::size_t kRunBytes = 4u << 20;

} // namespace

void ForEachPageRun(const TDatabaseFile& file,
                    const std::function<void(std::uint32_t, std::uint32_t, TBytes)>& visit) {
    const std::uint32_t perRun = std::min(
        file.PageCount(),
        std::max<std::uint32_t>(1, static_cast<std::uint32_t>(kRunBytes / file.PageSize())));
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(perRun) * file.PageSize());
    for (std::uint32_t first = 0; first < file.PageCount();) {
        const std::uint32_t count = std::min(perRun, file.PageCount() - first);
        file.ReadPages(first, count, buffer);
        visit(first, count, TBytes(buffer).first(static_cast<std::size_t>(count) * file.PageSize()));
        first += count;
    }
}

std::uint64_t PageDigest(TBytes page) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const std::uint8_t byte : page) {
        hash = (hash ^ byte) * 1099511628211ull;
    }
    return hash;
}

} // namespace onarim::ods
