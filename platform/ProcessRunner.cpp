#include "platform/ProcessRunner.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/SystemError.h"

extern char** environ;

namespace onarim {

namespace {

// posix_spawn's file actions and attributes, released however the start ends.
class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    ~SpawnSetup() {
        posix_spawnattr_destroy(&attributes_);
        posix_spawn_file_actions_destroy(&actions_);
    }

    // The error number of the first step that failed, 0 when all went well.
    int Prepare(ChildOutput output) {
        int error = 0;
        if (output == ChildOutput::Discarded) {
            error = Step(error, posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO,
                                                                 "/dev/null", O_RDONLY, 0));
            error = Step(error, posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO,
                                                                 "/dev/null", O_WRONLY, 0));
            error = Step(error,
                         posix_spawn_file_actions_adddup2(&actions_, STDOUT_FILENO, STDERR_FILENO));
        }
        error = Step(error, posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1));

        sigset_t signals;
        sigemptyset(&signals);
        error = Step(error, posix_spawnattr_setsigmask(&attributes_, &signals));
        sigfillset(&signals);
        error = Step(error, posix_spawnattr_setsigdefault(&attributes_, &signals));
        const short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        return Step(error, posix_spawnattr_setflags(&attributes_, flags));
    }

    const posix_spawn_file_actions_t* Actions() const { return &actions_; }
    const posix_spawnattr_t* Attributes() const { return &attributes_; }

private:
    static int Step(int earlier, int result) { return earlier != 0 ? earlier : result; }

    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

std::vector<char*> ArgumentPointers(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const std::string& argument : argv) {
        pointers.push_back(const_cast<char*>(argument.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

int Failed(int error) {
    SetLastSystemError(error);
    return -1;
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

} // namespace

int SpawnAndWait(const std::vector<std::string>& argv, ChildOutput output) {
    if (argv.empty() || argv.front().empty()) {
        return Failed(ENOENT);
    }
    SpawnSetup setup;
    if (const int error = setup.Prepare(output); error != 0) {
        return Failed(error);
    }
    // glibc (2.24 and later) starts the child with vfork semantics and reports a failed exec,
    // and a failed file action, as the result of posix_spawn itself, so a missing program is
    // told here rather than as a child that exits with 127.
    std::vector<char*> pointers = ArgumentPointers(argv);
    pid_t child = 0;
    const int error = posix_spawnp(&child, pointers.front(), setup.Actions(), setup.Attributes(),
                                   pointers.data(), environ);
    if (error != 0) {
        return Failed(error);
    }
    return WaitForExit(child);
}

} // namespace onarim
