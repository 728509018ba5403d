#pragma once

#include <filesystem>
#include <string>

#include "support/ScratchDirectory.h"

namespace onarim::testing {

// A registry file as a Firebird installation leaves it: the default instance directory
// `instanceDirectory` (Debian's Firebird: "/usr/", whose "bin" holds gfix and gbak).
std::string FirebirdRegistryText(const std::string& instanceDirectory = "/usr/");

// Writes that file into `scratch` and points ONARIM_REGISTRY at it for the object's lifetime.
class ScopedFirebirdRegistry {
public:
    ScopedFirebirdRegistry(const ScratchDirectory& scratch,
                           const std::string& instanceDirectory = "/usr/");
    ~ScopedFirebirdRegistry();
    ScopedFirebirdRegistry(const ScopedFirebirdRegistry&) = delete;
    ScopedFirebirdRegistry& operator=(const ScopedFirebirdRegistry&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace onarim::testing
