#include "platform/Files.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/SystemError.h"

namespace onarim {

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

} // namespace onarim
