#include "support/ScratchDirectory.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

#include "support/FixtureError.h"

namespace onarim::testing {

namespace {

constexpr const char* kTurkishName = "Veri Tabanı ğüşıöç ĞÜŞİÖÇ";

std::string TemporaryRoot() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

[[noreturn]] void RaiseCannotMake(const std::string& path, int error) {
    throw FixtureError("cannot make the scratch directory " + path + ": " + std::strerror(error));
}

} // namespace

ScratchDirectory::ScratchDirectory(Kind kind) {
    std::string pattern = TemporaryRoot() + "/onarim-test-XXXXXX";
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
    path_ = root_ + "/" + kTurkishName;
    if (mkdir(path_.c_str(), 0700) != 0) {
        const int error = errno;
        std::filesystem::remove_all(root_);
        RaiseCannotMake(path_, error);
    }
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored; // a destructor must not throw; a leftover is only untidy
    std::filesystem::remove_all(root_, ignored);
}

} // namespace onarim::testing
