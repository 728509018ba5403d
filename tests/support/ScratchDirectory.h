#pragma once

#include <string>

namespace onarim::testing {

// A fresh directory for one test, removed with everything in it when the object goes.
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
    const std::string& Path() const { return path_; }

    // `name` inside the directory.
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string root_; // what the destructor removes
    std::string path_;
};

} // namespace onarim::testing
