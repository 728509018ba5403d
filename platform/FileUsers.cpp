#include "platform/FileUsers.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

namespace onarim {

namespace {

bool IsNumber(const char* name) {
    for (const char* c = name; *c != '\0'; ++c) {
        if (!std::isdigit(static_cast<unsigned char>(*c))) {
            return false;
        }
    }
    return *name != '\0';
}

// Whether one of the process's descriptors names the file (by device and inode, which a
// rename or a second link does not change).
bool ProcessHolds(const std::string& process, dev_t device, ino_t inode) {
    const std::string directory = "/proc/" + process + "/fd";
    DIR* descriptors = opendir(directory.c_str());
    if (descriptors == nullptr) {
        return false;
    }
    bool holds = false;
    while (const dirent* entry = readdir(descriptors)) {
        struct stat status {};
        if (IsNumber(entry->d_name) &&
            stat((directory + "/" + entry->d_name).c_str(), &status) == 0 &&
            status.st_dev == device && status.st_ino == inode) {
            holds = true;
            break;
        }
    }
    closedir(descriptors);
    return holds;
}

} // namespace

bool OpenByAnotherProcess(const std::string& path) {
    struct stat file {};
    if (stat(path.c_str(), &file) != 0) {
        return false;
    }
    DIR* processes = opendir("/proc");
    if (processes == nullptr) {
        return false;
    }
    const std::string self = std::to_string(getpid());
    bool held = false;
    while (const dirent* entry = readdir(processes)) {
        if (IsNumber(entry->d_name) && self != entry->d_name &&
            ProcessHolds(entry->d_name, file.st_dev, file.st_ino)) {
            held = true;
            break;
        }
    }
    closedir(processes);
    return held;
}

} // namespace onarim
