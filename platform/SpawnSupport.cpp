#include "platform/SpawnSupport.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/prctl.h>
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

namespace {

// The file that execvp would run for `program`: itself when it holds a slash, else the first
// executable of that name along PATH. Returns an error number as execvp would fail with.
int FindProgram(const std::string& program, std::string& path) {
    if (program.find('/') != std::string::npos) {
        path = program;
        return 0;
    }
    const char* searchPath = std::getenv("PATH");
    const std::string directories = searchPath != nullptr ? searchPath : "/bin:/usr/bin";
    int error = ENOENT;
    for (std::size_t start = 0; start <= directories.size();) {
        std::size_t end = directories.find(':', start);
        if (end == std::string::npos) {
            end = directories.size();
        }
        const std::string directory = directories.substr(start, end - start);
        const std::string candidate = (directory.empty() ? "." : directory) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) {
            path = candidate;
            return 0;
        }
        if (errno == EACCES) {
            error = EACCES;
        }
        start = end + 1;
    }
    return error;
}

// In the child, between fork and exec: only calls that are safe there. Reports a failure's
// error number through `errorPipe` and ends.
[[noreturn]] void BecomeProgram(pid_t parent, const char* path, char* const* arguments,
                                char* const* variables, ChildStreams streams, int errorPipe) {
    int error = 0;
    if (setpgid(0, 0) != 0 || prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) {
        error = errno;
    } else if (getppid() != parent) {
        _exit(127); // the starter is already gone
    }
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG && error == 0; ++signal) {
        sigaction(signal, &defaultAction, nullptr); // fails harmlessly for SIGKILL, SIGSTOP
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const int input = error != 0           ? -1
                      : streams.input >= 0 ? streams.input
                                           : open("/dev/null", O_RDONLY);
    if (error == 0 &&
        (input < 0 || dup2(input, STDIN_FILENO) < 0 || dup2(streams.output, STDOUT_FILENO) < 0 ||
         dup2(streams.error, STDERR_FILENO) < 0)) {
        error = errno;
    }
    if (error == 0) {
        // Everything above the standard three closes at the exec (the error pipe with it).
        close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC);
        execve(path, arguments, variables);
        error = errno;
    }
    while (write(errorPipe, &error, sizeof error) < 0 && errno == EINTR) {
    }
    _exit(127);
}

} // namespace

int StartInOwnGroup(const std::vector<std::string>& argv,
                    const std::vector<std::string>& environment, int writeEnd, pid_t& child) {
    return StartInOwnGroup(argv, environment, ChildStreams{-1, writeEnd, writeEnd}, child);
}

int StartInOwnGroup(const std::vector<std::string>& argv,
                    const std::vector<std::string>& environment, ChildStreams streams,
                    pid_t& child) {
    if (argv.empty() || argv.front().empty()) {
        return ENOENT;
    }
    if (std::any_of(argv.begin(), argv.end(), HoldsZeroByte) ||
        std::any_of(environment.begin(), environment.end(), HoldsZeroByte)) {
        return EINVAL;
    }
    std::string path;
    if (const int error = FindProgram(argv.front(), path); error != 0) {
        return error;
    }
    std::vector<char*> arguments = Pointers(argv);
    std::vector<char*> variables = Pointers(environment);
    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0) {
        return errno;
    }
    const pid_t parent = getpid();
    child = fork();
    if (child < 0) {
        const int error = errno;
        close(errorPipe[0]);
        close(errorPipe[1]);
        return error;
    }
    if (child == 0) {
        BecomeProgram(parent, path.c_str(), arguments.data(), variables.data(), streams,
                      errorPipe[1]);
    }
    close(errorPipe[1]);
    setpgid(child, child); // also here, so the group exists before anybody signals it
    int error = 0;
    ssize_t count = 0;
    while ((count = read(errorPipe[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(errorPipe[0]);
    if (count == sizeof error) {
        WaitForExit(child);
        return error;
    }
    return 0;
}

} // namespace onarim::spawn
