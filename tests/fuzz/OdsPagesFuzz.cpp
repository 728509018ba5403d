// Drives the page map, the check and the mend with any bytes as a database file image (held in
// a memory file, reached through its /proc/self/fd name).
//
// Properties:
// - the check ends, and raises nothing but EOdsError (a file that is no database);
// - every page it reports (mend, rebuilt pointer page, problem) lies inside the file;
// - a refused file gets nothing written: ApplyMends raises and the bytes stay as they were;
// - what the check found to write, once written, leaves nothing more to write.

#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "FuzzCheck.h"
#include "ods/PageCheck.h"

namespace onarim {
namespace {

using fuzz::Check;

// A file in memory for one input, removed with the object.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size) {
        descriptor_ = memfd_create("ods-fuzz", MFD_CLOEXEC);
        Check(descriptor_ >= 0, "a memory file can be made");
        std::size_t written = 0;
        while (written < size) {
            const ssize_t n = write(descriptor_, data + written, size - written);
            Check(n > 0, "the input can be written to the memory file");
            written += static_cast<std::size_t>(n);
        }
        path_ = "/proc/self/fd/" + std::to_string(descriptor_);
    }
    ~MemoryFile() { close(descriptor_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    const std::string& Path() const { return path_; }
    std::string Contents() const {
        std::string bytes;
        char buffer[65536];
        for (off_t at = 0;;) {
            const ssize_t n = pread(descriptor_, buffer, sizeof buffer, at);
            if (n <= 0) {
                return bytes;
            }
            bytes.append(buffer, static_cast<std::size_t>(n));
            at += n;
        }
    }

private:
    int descriptor_ = -1;
    std::string path_;
};

void CheckPagesInside(const ods::TPageCheck& check) {
    for (const auto& mend : check.mends) {
        Check(mend.page < check.pageCount, "a mended page lies inside the file");
    }
    for (const auto& rebuild : check.rebuilds) {
        Check(rebuild.page < check.pageCount, "a rebuilt pointer page lies inside the file");
        Check(rebuild.bytes.size() == check.pageSize, "a rebuilt pointer page is one page");
    }
    for (const auto& problem : check.problems) {
        Check(problem.page < check.pageCount, "a problem's page lies inside the file");
    }
}

void CheckAndMend(const std::uint8_t* data, std::size_t size) {
    const MemoryFile file(data, size);
    ods::TPageCheck check;
    try {
        check = ods::CheckPages(file.Path());
    } catch (const ods::EOdsError&) {
        return; // no database at all
    } catch (const std::exception& error) {
        fuzz::Unexpected(error.what());
    }
    CheckPagesInside(check);
    if (!check.refusal.empty()) {
        const std::string before = file.Contents();
        bool refused = false;
        try {
            ods::ApplyMends(file.Path(), check);
        } catch (const ods::EOdsError&) {
            refused = true;
        }
        Check(refused && file.Contents() == before, "a refused file is not written");
        return;
    }
    if (check.NothingToWrite()) {
        return;
    }
    try {
        ods::ApplyMends(file.Path(), check);
        const ods::TPageCheck again = ods::CheckPages(file.Path());
        CheckPagesInside(again);
        Check(again.NothingToWrite(), "after the mend a second check finds nothing to write");
    } catch (const std::exception& error) {
        fuzz::Unexpected(error.what());
    }
}

} // namespace
} // namespace onarim

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    onarim::CheckAndMend(data, size);
    return 0;
}
