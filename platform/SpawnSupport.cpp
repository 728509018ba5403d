#include "platform/SpawnSupport.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/ProcessRunner.h"
#include "platform/SystemError.h"

extern char** environ;

namespace onarim::spawn {

namespace {

int Step(int earlier, int result) {
    return earlier != 0 ? earlier : result;
}

bool HoldsZeroByte(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

std::vector<char*> Pointers(const std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (const std::string& text : texts) {
        pointers.push_back(const_cast<char*>(text.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

SpawnSetup::SpawnSetup() {
    posix_spawn_file_actions_init(&actions_);
    posix_spawnattr_init(&attributes_);
}

SpawnSetup::~SpawnSetup() {
    posix_spawnattr_destroy(&attributes_);
    posix_spawn_file_actions_destroy(&actions_);
}

int SpawnSetup::DiscardStandardStreams() {
    int error = posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    error = Step(error, posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, "/dev/null",
                                                         O_WRONLY, 0));
    return Step(error, posix_spawn_file_actions_adddup2(&actions_, STDOUT_FILENO, STDERR_FILENO));
}

int SpawnSetup::CaptureStandardStreams(int writeEnd) {
    int error = posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    error = Step(error, posix_spawn_file_actions_adddup2(&actions_, writeEnd, STDOUT_FILENO));
    return Step(error, posix_spawn_file_actions_adddup2(&actions_, writeEnd, STDERR_FILENO));
}

int SpawnSetup::Finish() {
    int error = posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
    sigset_t signals;
    sigemptyset(&signals);
    error = Step(error, posix_spawnattr_setsigmask(&attributes_, &signals));
    sigfillset(&signals);
    error = Step(error, posix_spawnattr_setsigdefault(&attributes_, &signals));
    const short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    return Step(error, posix_spawnattr_setflags(&attributes_, flags));
}

int Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
          const SpawnSetup& setup, pid_t& child) {
    if (argv.empty() || argv.front().empty()) {
        return ENOENT;
    }
    if (std::any_of(argv.begin(), argv.end(), HoldsZeroByte) ||
        std::any_of(environment.begin(), environment.end(), HoldsZeroByte)) {
        return EINVAL;
    }
    // glibc (2.24 and later) starts the child with vfork semantics and reports a failed exec,
    // and a failed file action, as the result of posix_spawn itself, so a missing program is
    // told here rather than as a child that exits with 127.
    std::vector<char*> arguments = Pointers(argv);
    std::vector<char*> variables = Pointers(environment);
    return posix_spawnp(&child, arguments.front(), setup.Actions(), setup.Attributes(),
                        arguments.data(), variables.data());
}

std::vector<std::string> InheritedEnvironment() {
    std::vector<std::string> variables;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        variables.emplace_back(*entry);
    }
    return variables;
}

int WaitForExit(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return Failed(errno);
        }
    }
    if (WIFSIGNALED(status)) {
        return kSignalExitBase + WTERMSIG(status);
    }
    return WEXITSTATUS(status);
}

int Failed(int error) {
    SetLastSystemError(error);
    return -1;
}

} // namespace onarim::spawn
