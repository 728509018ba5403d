#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/FileError.h"
#include "platform/Files.h"

namespace onarim {

namespace {

// The most one kernel copy call is asked to move; large enough that the calls cost nothing.
constexpr std::size_t kChunk = 1 << 30;

// An open descriptor, closed when it goes out of scope unless closed before (with the error
// of close checked: on some file systems a failed write shows only there).
class OpenFile {
public:
    OpenFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }

    int Get() const { return fd_; }
    const std::string& Path() const { return path_; }
    void Close() {
        const int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0) {
            throw EFileError(path_, errno);
        }
    }

private:
    int fd_;
    std::string path_;
};

// The temporary file, removed on the way out unless it was given its final name.
class TemporaryName {
public:
    explicit TemporaryName(std::string path) : path_(std::move(path)) {}
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;
    ~TemporaryName() {
        if (!kept_) {
            unlink(path_.c_str());
        }
    }

    const std::string& Path() const { return path_; }
    void Keep() { kept_ = true; }

private:
    std::string path_;
    bool kept_ = false;
};

bool KernelCopyUnsupported(int error) {
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ||
           error == EBADF;
}

// Which way of copying still works here, tried from the fastest on.
enum class CopyWay { CopyFileRange, SendFile, ReadWrite };

// Moves up to kChunk bytes from the source's position to the target's. Returns the bytes
// moved (0 at the end of the source), or -1 with errno.
ssize_t CopySome(CopyWay way, int in, int out, std::vector<char>& buffer) {
    switch (way) {
    case CopyWay::CopyFileRange:
        return copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
    case CopyWay::SendFile:
        return sendfile(out, in, nullptr, kChunk);
    case CopyWay::ReadWrite:
        break;
    }
    buffer.resize(1 << 20);
    const ssize_t count = read(in, buffer.data(), buffer.size());
    for (ssize_t written = 0; written < count;) {
        const ssize_t step =
            write(out, buffer.data() + written, static_cast<std::size_t>(count - written));
        if (step < 0) {
            return -1;
        }
        written += step;
    }
    return count;
}

// A kernel copy does not tell which side failed: running out of room or over a limit is the
// target's, anything else (a read error of a damaged disk, above all) is named as the source's.
[[noreturn]] void RaiseCopyError(int error, const OpenFile& source, const OpenFile& target) {
    const bool targetSide =
        error == ENOSPC || error == EDQUOT || error == EFBIG || error == EROFS || error == EPERM;
    throw EFileError(targetSide ? target.Path() : source.Path(), error);
}

void CopyBytes(const OpenFile& source, const OpenFile& target) {
    CopyWay way = CopyWay::CopyFileRange;
    std::vector<char> buffer;
    for (;;) {
        const ssize_t count = CopySome(way, source.Get(), target.Get(), buffer);
        if (count == 0) {
            return;
        }
        if (count > 0) {
            continue;
        }
        const int error = errno;
        if (error == EINTR) {
            continue;
        }
        if (way != CopyWay::ReadWrite && KernelCopyUnsupported(error)) {
            way = way == CopyWay::CopyFileRange ? CopyWay::SendFile : CopyWay::ReadWrite;
            continue;
        }
        RaiseCopyError(error, source, target);
    }
}

// The source's owner, group and permission bits, as far as this process may give them. The
// owner goes first: changing it clears the set-user-id and set-group-id bits.
void TakeOwnerAndMode(const OpenFile& target, const struct stat& source) {
    if (fchown(target.Get(), source.st_uid, source.st_gid) != 0) {
        if (errno != EPERM) {
            throw EFileError(target.Path(), errno);
        }
        // Not allowed to give the file away: keep our user, take the group if it is ours.
        if (fchown(target.Get(), static_cast<uid_t>(-1), source.st_gid) != 0 && errno != EPERM) {
            throw EFileError(target.Path(), errno);
        }
    }
    if (fchmod(target.Get(), source.st_mode & 07777) != 0) {
        throw EFileError(target.Path(), errno);
    }
}

// Gives the temporary file the name `target` unless that name is taken.
void NameWithoutReplacing(TemporaryName& temporary, const std::string& target) {
    const char* from = temporary.Path().c_str();
    if (renameat2(AT_FDCWD, from, AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        temporary.Keep();
        return;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        throw EFileError(target, errno);
    }
    // A file system without the refusing rename: a hard link refuses a taken name too, and
    // the temporary name goes with the temporary object.
    if (link(from, target.c_str()) != 0) {
        throw EFileError(target, errno);
    }
}

void SyncDirectory(const std::string& directory, const std::string& target) {
    OpenFile handle(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), directory);
    // EINVAL: a file system that cannot sync a directory, and needs not.
    if (handle.Get() < 0 || (fsync(handle.Get()) != 0 && errno != EINVAL)) {
        const int error = errno;
        unlink(target.c_str()); // a copy that may not survive a crash is no kept copy
        throw EFileError(directory, error);
    }
}

std::string DirectoryOf(const std::string& target) {
    const std::string parent = std::filesystem::path(target).parent_path().string();
    return parent.empty() ? "." : parent;
}

std::string TemporaryPattern(const std::string& directory, const std::string& target) {
    return directory + "/." + std::filesystem::path(target).filename().string() + ".XXXXXX";
}

} // namespace

void CopyToNewFile(const std::string& source, const std::string& target) {
    OpenFile in(open(source.c_str(), O_RDONLY | O_CLOEXEC), source);
    if (in.Get() < 0) {
        throw EFileError(source, errno);
    }
    struct stat status {};
    if (fstat(in.Get(), &status) != 0) {
        throw EFileError(source, errno);
    }
    if (!S_ISREG(status.st_mode)) {
        throw EFileError(source, EINVAL, "not a regular file");
    }
    struct stat existing {};
    if (lstat(target.c_str(), &existing) == 0) {
        throw EFileError(target, EEXIST);
    }

    const std::string directory = DirectoryOf(target);
    std::string pattern = TemporaryPattern(directory, target);
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        throw EFileError(directory, errno);
    }
    TemporaryName temporary(pattern);
    OpenFile out(fd, target);
    CopyBytes(in, out);
    TakeOwnerAndMode(out, status);
    if (fsync(out.Get()) != 0) {
        throw EFileError(target, errno);
    }
    out.Close();
    NameWithoutReplacing(temporary, target);
    SyncDirectory(directory, target);
}

} // namespace onarim
