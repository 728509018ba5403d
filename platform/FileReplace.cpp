#include "platform/FileReplace.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileError.h"
#include "platform/ScopeExit.h"

namespace onarim {

namespace {

std::string DirectoryOf(const std::string& path) {
    const std::string parent = std::filesystem::path(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

void SyncDirectoryOf(const std::string& path) {
    const std::string directory = DirectoryOf(path);
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        throw EFileError(directory, errno);
    }
    const ScopeExit closeDirectory([fd] { close(fd); });
    // EINVAL: a file system that cannot sync a directory, and needs not.
    if (fsync(fd) != 0 && errno != EINVAL) {
        throw EFileError(directory, errno);
    }
}

void WriteAll(int fd, const std::string& path, const std::string& text) {
    for (std::size_t written = 0; written < text.size();) {
        const ssize_t count = write(fd, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            throw EFileError(path, errno);
        }
        written += static_cast<std::size_t>(count);
    }
}

} // namespace

void WriteFileDurably(const std::string& path, const std::string& text) {
    std::string temporary =
        DirectoryOf(path) + "/." + std::filesystem::path(path).filename().string() + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        throw EFileError(path, errno);
    }
    bool renamed = false;
    const ScopeExit cleanUp([&] {
        close(fd);
        if (!renamed) {
            unlink(temporary.c_str());
        }
    });
    WriteAll(fd, path, text);
    if (fchmod(fd, 0644) != 0 || fsync(fd) != 0) {
        throw EFileError(path, errno);
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        throw EFileError(path, errno);
    }
    renamed = true;
    SyncDirectoryOf(path);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    const ScopeExit closeFile([fd] { close(fd); });
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return std::nullopt;
        }
        if (count == 0) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(count));
    }
}

void MatchOwnerAndMode(const std::string& path, const std::string& model) {
    struct stat status {};
    if (stat(model.c_str(), &status) != 0) {
        throw EFileError(model, errno);
    }
    // The owner goes first: changing it clears the set-user-id and set-group-id bits.
    if (chown(path.c_str(), status.st_uid, status.st_gid) != 0) {
        if (errno != EPERM) {
            throw EFileError(path, errno);
        }
        if (chown(path.c_str(), static_cast<uid_t>(-1), status.st_gid) != 0 && errno != EPERM) {
            throw EFileError(path, errno);
        }
    }
    if (chmod(path.c_str(), status.st_mode & 07777) != 0) {
        throw EFileError(path, errno);
    }
}

void StartWritingOut(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    close(fd);
}

void ReplaceDurably(const std::string& replacement, const std::string& target) {
    const int fd = open(replacement.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        throw EFileError(replacement, errno);
    }
    const int synced = fsync(fd);
    const int error = errno;
    close(fd);
    if (synced != 0) {
        throw EFileError(replacement, error);
    }
    if (rename(replacement.c_str(), target.c_str()) != 0) {
        throw EFileError(target, errno);
    }
    SyncDirectoryOf(target);
}

std::string ResolvedPath(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return path;
    }
    std::string result(resolved);
    std::free(resolved);
    return result;
}

std::vector<std::string> FilesNamedLike(const std::string& directory, const std::string& prefix,
                                        const std::string& suffix) {
    std::vector<std::string> names;
    DIR* entries = opendir(directory.empty() ? "." : directory.c_str());
    if (entries == nullptr) {
        return names;
    }
    while (const dirent* entry = readdir(entries)) {
        const std::string name = entry->d_name;
        if (name.size() >= prefix.size() + suffix.size() && name.starts_with(prefix) &&
            name.ends_with(suffix)) {
            names.push_back(name);
        }
    }
    closedir(entries);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace onarim
