#include "platform/ProcessIdentity.h"

#include <unistd.h>

#include <optional>
#include <stdexcept>

#include "platform/FileReplace.h"

namespace onarim {

namespace {

struct TStat {
    char state = '?';
    std::uint64_t startTicks = 0;
};

// Fields 3 (state) and 22 (start time) of /proc/<pid>/stat. The command name, field 2, may
// hold blanks and parentheses: the fields after it start after its last ')'.
std::optional<TStat> ReadStat(long pid) {
    const auto text = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    if (!text) {
        return std::nullopt;
    }
    const std::size_t close = text->rfind(')');
    if (close == std::string::npos || close + 2 >= text->size()) {
        return std::nullopt;
    }
    TStat stat;
    stat.state = (*text)[close + 2];
    std::size_t at = close + 2;
    for (int field = 3; field < 22; ++field) {
        at = text->find(' ', at);
        if (at == std::string::npos) {
            return std::nullopt;
        }
        ++at;
    }
    try {
        stat.startTicks = std::stoull(text->substr(at, text->find(' ', at) - at));
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return stat;
}

} // namespace

ProcessIdentity ThisProcess() {
    ProcessIdentity identity;
    identity.pid = static_cast<long>(getpid());
    if (const auto stat = ReadStat(identity.pid)) {
        identity.startTicks = stat->startTicks;
    }
    return identity;
}

bool IsRunning(const ProcessIdentity& process) {
    if (process.pid <= 0) {
        return false;
    }
    const auto stat = ReadStat(process.pid);
    return stat && stat->state != 'Z' && stat->state != 'X' &&
           stat->startTicks == process.startTicks;
}

} // namespace onarim
