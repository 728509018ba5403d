#include "support/ScratchDirectory.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <vector>

#include "support/FixtureError.h"

namespace onarim::testing {

namespace {

constexpr const char* kTurkishName = "Veri Tabanı ğüşıöç ĞÜŞİÖÇ";

[[noreturn]] void RaiseCannotMake(const std::string& path, int error) {
    throw FixtureError("cannot make the scratch directory " + path + ": " + std::strerror(error));
}

} // namespace

ScratchDirectory::ScratchDirectory(Kind kind) {
    const std::string pattern =
        (std::filesystem::temp_directory_path() / "onarim-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        RaiseCannotMake(pattern, errno);
    }
    root_ = buffer.data();
    path_ = root_;
    if (kind == Kind::Plain) {
        return;
    }
    path_ = root_ / kTurkishName;
    if (mkdir(path_.c_str(), 0700) != 0) {
        const int error = errno;
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
        RaiseCannotMake(path_.string(), error);
    }
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored; // a destructor must not throw; a leftover is only untidy
    std::filesystem::remove_all(root_, ignored);
}

std::filesystem::path ScratchDirectory::WriteFile(const std::filesystem::path& relativePath,
                                                  std::string_view content) const {
    const std::filesystem::path file = path_ / relativePath;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!stream.flush()) {
        throw FixtureError("cannot write " + file.string());
    }
    return file;
}

} // namespace onarim::testing
