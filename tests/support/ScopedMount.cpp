#include "support/ScopedMount.h"

#include <sys/mount.h>

#include <cerrno>
#include <cstring>

namespace onarim::testing {

ScopedTmpfs::ScopedTmpfs(std::string directory, std::uint64_t bytes)
    : directory_(std::move(directory)) {
    const std::string options = "size=" + std::to_string(bytes) + ",mode=1777";
    if (::mount("tmpfs", directory_.c_str(), "tmpfs", 0, options.c_str()) == 0) {
        mounted_ = true;
    } else {
        failure_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
    }
}

ScopedTmpfs::~ScopedTmpfs() {
    if (mounted_) {
        // Lazy: an engine that still holds a file open must not keep the mount (and the test's
        // scratch directory) alive.
        ::umount2(directory_.c_str(), MNT_DETACH);
    }
}

bool ScopedTmpfs::MakeReadOnly() {
    return mounted_ && ::mount("tmpfs", directory_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                               nullptr) == 0;
}

} // namespace onarim::testing
