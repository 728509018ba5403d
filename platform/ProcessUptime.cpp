#include "platform/ProcessUptime.h"

#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

namespace onarim {

std::optional<std::chrono::milliseconds> ProcessUptime() {
    std::ifstream stat("/proc/self/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return std::nullopt;
    }
    // The command name (field 2) may hold blanks and parentheses: count from its closing one.
    const std::size_t nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(line.substr(nameEnd + 1));
    std::string field;
    unsigned long long startTicks = 0;
    for (int number = 3; number <= 22 && fields >> field; ++number) {
        if (number == 22) {
            startTicks = std::stoull(field);
        }
    }
    timespec now{};
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (startTicks == 0 || ticksPerSecond <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
        return std::nullopt;
    }
    const auto sinceBoot = std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
    const auto startedAt = std::chrono::milliseconds(startTicks * 1000 / ticksPerSecond);
    return std::chrono::duration_cast<std::chrono::milliseconds>(sinceBoot) - startedAt;
}

} // namespace onarim
