#include "repair/DatabaseFileFacts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>

#include "repair/RepairProcedure.h"
#include "ods/PageCheck.h"
#include "platform/ScopeExit.h"

namespace onarim {

namespace {

constexpr std::uint8_t kHeaderPageType = 1;
constexpr std::size_t kPageSizeOffset = 16; // 16-bit, little-endian on the machines we serve
constexpr std::size_t kHeaderBytes = 32;

bool PlausiblePageSize(unsigned size) {
    return size >= 1024 && size <= 65536 && (size & (size - 1)) == 0;
}

TDatabaseFileFacts::Content ReadContent(const std::string& path, std::uint64_t& size) {
    using Content = TDatabaseFileFacts::Content;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Content::Unreadable;
    }
    const ScopeExit closeFile([fd] { ::close(fd); });
    struct stat status{};
    if (::fstat(fd, &status) != 0) {
        return Content::Unreadable;
    }
    size = static_cast<std::uint64_t>(status.st_size);
    if (size == 0) {
        return Content::Empty;
    }
    std::array<std::uint8_t, kHeaderBytes> header{};
    ssize_t got = 0;
    do {
        got = ::pread(fd, header.data(), header.size(), 0);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        return Content::Unreadable;
    }
    if (static_cast<std::size_t>(got) < header.size()) {
        return Content::NotDatabase;
    }
    const unsigned pageSize = header[kPageSizeOffset] | (header[kPageSizeOffset + 1] << 8);
    const bool database = header[0] == kHeaderPageType && PlausiblePageSize(pageSize) &&
                          size >= pageSize;
    // A header page whose first bytes were overwritten is one the page check can mend.
    return database || ods::HeaderPageMendable(path) ? Content::Database : Content::NotDatabase;
}

} // namespace

TDatabaseFileFacts InspectDatabaseFileFacts(const std::string& path) {
    TDatabaseFileFacts facts;
    facts.content = ReadContent(path, facts.size);
    const std::string prefix = DirectoryPrefix(path);
    const std::string folder = prefix.empty() ? std::string(".") : prefix;
    struct statvfs fileSystem{};
    if (::statvfs(folder.c_str(), &fileSystem) == 0) {
        facts.readOnlyFileSystem = (fileSystem.f_flag & ST_RDONLY) != 0;
        facts.freeBytes = static_cast<std::uint64_t>(fileSystem.f_bavail) * fileSystem.f_frsize;
    }
    facts.writable = ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
    facts.folderWritable = ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
    return facts;
}

} // namespace onarim
