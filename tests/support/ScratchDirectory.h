#pragma once

#include <filesystem>
#include <string_view>

namespace onarim::testing {

// A fresh directory under the system's temporary directory, removed with everything in it when
// the object goes.
class ScratchDirectory {
public:
    ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    ~ScratchDirectory();

    const std::filesystem::path& Path() const { return path_; }

    // Writes `content` to `relativePath` below the directory, creating the directories on the
    // way, and returns the file's full path.
    std::filesystem::path WriteFile(const std::filesystem::path& relativePath,
                                    std::string_view content) const;

private:
    std::filesystem::path path_;
};

} // namespace onarim::testing
