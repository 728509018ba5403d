#pragma once

#include <cstdint>
#include <string>

namespace onarim::testing {

// A small tmpfs mounted on a directory for one test, unmounted when the object goes. Mounting
// needs root (or a user namespace); Mounted() is false when it could not be done, and the test
// then skips. The directory is the caller's; it is left empty after the unmount.
class ScopedTmpfs {
public:
    ScopedTmpfs(std::string directory, std::uint64_t bytes);
    ~ScopedTmpfs();
    ScopedTmpfs(const ScopedTmpfs&) = delete;
    ScopedTmpfs& operator=(const ScopedTmpfs&) = delete;

    bool Mounted() const { return mounted_; }
    // Why the mount failed, for a skip message.
    const std::string& Failure() const { return failure_; }

    // Remounts the file system read-only; false when that fails.
    bool MakeReadOnly();

private:
    std::string directory_;
    bool mounted_ = false;
    std::string failure_;
};

} // namespace onarim::testing
