#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace onarim::testing {

// A fresh directory for one test under the system's temporary directory, removed with
// everything in it when the object goes.
//
// With `kind` set to WithBlanksAndTurkishLetters the directory's own name holds blanks and
// the letters ı ğ ü ş ö ç İ Ğ Ü Ş Ö Ç (UTF-8), so a test can show that a path reaches the
// tools intact. Raises FixtureError when the directory cannot be made.
class ScratchDirectory {
public:
    enum class Kind { Plain, WithBlanksAndTurkishLetters };

    explicit ScratchDirectory(Kind kind = Kind::Plain);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    // The directory, without a trailing slash.
    const std::filesystem::path& Path() const { return path_; }

    // `name` inside the directory.
    std::string File(const std::string& name) const { return (path_ / name).string(); }

    // Writes `content` to `relativePath` below the directory, creating the directories on the
    // way, and returns the file's full path.
    std::filesystem::path WriteFile(const std::filesystem::path& relativePath,
                                    std::string_view content) const;

private:
    std::filesystem::path root_; // what the destructor removes
    std::filesystem::path path_;
};

} // namespace onarim::testing
