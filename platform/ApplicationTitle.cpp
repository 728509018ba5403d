#include "platform/ApplicationTitle.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace onarim {

std::string ApplicationTitleFor(const std::string& executablePath) {
    std::string title = executablePath.substr(executablePath.rfind('/') + 1);
    title = title.substr(0, title.find('.'));
    // ASCII only: a lead byte of a multi-byte character is left as it is.
    for (std::size_t i = 1; i < title.size(); ++i) {
        if (title[i] >= 'A' && title[i] <= 'Z') {
            title[i] = static_cast<char>(title[i] - 'A' + 'a');
        }
    }
    return title;
}

std::string ApplicationTitle() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        return ApplicationTitleFor(executable.string());
    }
    return ApplicationTitleFor(program_invocation_name);
}

} // namespace onarim
