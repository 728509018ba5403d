#include "trace/SharedMemory.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/SystemError.h"

namespace onarim {

namespace {

// Where Linux keeps POSIX shared-memory objects: shm_open("/x") opens the file /dev/shm/x.
// Creation goes through the directory itself, because shm_open cannot make an unnamed object.
constexpr const char* kSharedMemoryDirectory = "/dev/shm";
constexpr mode_t kEveryoneReadWrite = 0666;
// Opening loses a race only when the object vanishes between a failed link and the open.
constexpr int kOpenAttempts = 5;

[[noreturn]] void RaiseSystemError(int code) {
    SetLastSystemError(code);
    RaiseLastOSError();
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

// The object's name, checked: one leading "/", no other, and short enough for a file name.
std::string CheckedName(std::string_view name) {
    std::string full = SharedObjectName(name);
    if (full.size() < 2 || full.find('/', 1) != std::string::npos) {
        RaiseSystemError(EINVAL);
    }
    if (full.size() - 1 > NAME_MAX) {
        RaiseSystemError(ENAMETOOLONG);
    }
    return full;
}

void* MapShared(int fd, std::size_t size) {
    void* address = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (address == MAP_FAILED) {
        RaiseSystemError(errno);
    }
    return address;
}

// Maps an existing object; nullptr when there is none.
void* OpenExisting(const std::string& name, std::size_t size) {
    const FileDescriptor fd(shm_open(name.c_str(), O_RDWR | O_CLOEXEC, 0));
    if (fd.Get() < 0) {
        if (errno == ENOENT) {
            return nullptr;
        }
        RaiseSystemError(errno);
    }
    struct stat status {};
    if (fstat(fd.Get(), &status) != 0) {
        RaiseSystemError(errno);
    }
    if (static_cast<std::size_t>(status.st_size) < size) {
        RaiseSystemError(EINVAL); // not an object of ours, or one of another layout
    }
    return MapShared(fd.Get(), size);
}

// Builds the object unnamed (O_TMPFILE), initialises it and only then links it under its name,
// so nobody can open it half-made. Returns nullptr when another process linked one first.
void* CreateAndPublish(const std::string& name, std::size_t size,
                       const TSharedMemory::Initialiser& initialise) {
    const FileDescriptor fd(
        open(kSharedMemoryDirectory, O_TMPFILE | O_RDWR | O_CLOEXEC, kEveryoneReadWrite));
    if (fd.Get() < 0) {
        RaiseSystemError(errno);
    }
    // The umask narrows the mode given to open; every user must be able to open the object.
    if (fchmod(fd.Get(), kEveryoneReadWrite) != 0 ||
        ftruncate(fd.Get(), static_cast<off_t>(size)) != 0) {
        RaiseSystemError(errno);
    }
    void* address = MapShared(fd.Get(), size);
    try {
        if (initialise) {
            initialise(address, size);
        }
    } catch (...) {
        munmap(address, size);
        throw;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd.Get());
    const std::string path = kSharedMemoryDirectory + name;
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return address;
    }
    const int error = errno;
    munmap(address, size);
    if (error == EEXIST) {
        return nullptr;
    }
    RaiseSystemError(error);
}

} // namespace

std::string SharedObjectName(std::string_view name) {
    std::string full = "/";
    full.append(name);
    if (const char* suffix = std::getenv("ONARIM_MONITOR_NAME_SUFFIX")) {
        full += suffix;
    }
    return full;
}

TSharedMemory::TSharedMemory(std::string_view name, std::size_t size, const Initialiser& initialise)
    : size_(size) {
    const std::string full = CheckedName(name);
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        if ((address_ = OpenExisting(full, size)) != nullptr) {
            return;
        }
        if ((address_ = CreateAndPublish(full, size, initialise)) != nullptr) {
            created_ = true;
            return;
        }
    }
    RaiseSystemError(EAGAIN);
}

TSharedMemory::~TSharedMemory() {
    if (address_ != nullptr) {
        munmap(address_, size_);
    }
}

TSharedMemory::TSharedMemory(TSharedMemory&& other) noexcept
    : address_(std::exchange(other.address_, nullptr)), size_(other.size_),
      created_(other.created_) {}

TSharedMemory& TSharedMemory::operator=(TSharedMemory&& other) noexcept {
    if (this != &other) {
        if (address_ != nullptr) {
            munmap(address_, size_);
        }
        address_ = std::exchange(other.address_, nullptr);
        size_ = other.size_;
        created_ = other.created_;
    }
    return *this;
}

bool SharedObjectExists(std::string_view name) {
    const std::string path = kSharedMemoryDirectory + SharedObjectName(name);
    struct stat status {};
    return stat(path.c_str(), &status) == 0;
}

bool RemoveSharedObject(std::string_view name) {
    if (shm_unlink(SharedObjectName(name).c_str()) == 0 || errno == ENOENT) {
        return true;
    }
    SetLastSystemError(errno);
    return false;
}

} // namespace onarim
