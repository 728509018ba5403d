#include "platform/Files.h"

#include <filesystem>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/FileError.h"
#include "platform/SystemError.h"

namespace onarim {

namespace {

struct stat StatusOf(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        throw EFileError(path, errno);
    }
    return status;
}

void RequireAccess(const std::string& path, int mode) {
    if (faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) != 0) {
        throw EFileError(path, errno);
    }
}

} // namespace

bool FileExists(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool IsExecutableFile(const std::string& path) {
    return FileExists(path) && access(path.c_str(), X_OK) == 0;
}

bool DeleteFile(const std::string& path) {
    if (unlink(path.c_str()) == 0) {
        return true;
    }
    SetLastSystemError(errno);
    return false;
}

std::uint64_t FreeBytes(const std::string& directory) {
    struct statvfs status {};
    if (statvfs(directory.c_str(), &status) != 0) {
        throw EFileError(directory, errno);
    }
    return static_cast<std::uint64_t>(status.f_bavail) * status.f_frsize;
}

void RequireRegularFile(const std::string& path) {
    const struct stat status = StatusOf(path);
    if (S_ISDIR(status.st_mode)) {
        throw EFileError(path, EISDIR);
    }
    if (!S_ISREG(status.st_mode)) {
        throw EFileError(path, EINVAL, "not a regular file");
    }
}

void RequireReadWriteFile(const std::string& path) {
    RequireRegularFile(path);
    RequireAccess(path, R_OK | W_OK);
}

void RequireWritableDirectory(const std::string& path) {
    if (!S_ISDIR(StatusOf(path).st_mode)) {
        throw EFileError(path, ENOTDIR);
    }
    RequireAccess(path, W_OK | X_OK);
}

std::string ProgramBesideThisOne(const std::string& name, const std::string& builtAt) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path beside = self.parent_path() / name;
        if (std::filesystem::is_regular_file(beside, error)) {
            return beside.string();
        }
    }
    if (!builtAt.empty() && std::filesystem::is_regular_file(builtAt, error)) {
        return builtAt;
    }
    return {};
}

} // namespace onarim
