#include "support/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace onarim::testing {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMilliseconds(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Reaps `pid` once it has ended, polling until `deadline`.
std::optional<int> WaitForExit(pid_t pid, Clock::time_point deadline) {
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
        }
        if (done < 0 && errno != EINTR) {
            return -1;
        }
        if (Clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

TChildProcess::TChildProcess(const std::string& program,
                             const std::vector<std::string>& arguments) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const int result = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    output_ = pipeEnds[0];
    if (result != 0) {
        close(output_);
        throw std::runtime_error("cannot start " + program);
    }
}

TChildProcess::~TChildProcess() {
    if (!Wait(std::chrono::milliseconds(0))) {
        Kill(SIGKILL);
        Wait(std::chrono::seconds(10));
    }
    close(output_);
}

std::optional<std::string> TChildProcess::ReadLine(std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        const std::size_t end = buffered_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffered_.substr(0, end);
            buffered_.erase(0, end + 1);
            return line;
        }
        pollfd ready{output_, POLLIN, 0};
        if (poll(&ready, 1, RemainingMilliseconds(deadline)) <= 0) {
            return std::nullopt;
        }
        char chunk[65536];
        const ssize_t got = read(output_, chunk, sizeof chunk);
        if (got <= 0) {
            return std::nullopt;
        }
        buffered_.append(chunk, static_cast<std::size_t>(got));
    }
}

void TChildProcess::Kill(int signal) {
    if (!status_) {
        kill(pid_, signal);
    }
}

std::optional<int> TChildProcess::Wait(std::chrono::milliseconds timeout) {
    if (!status_) {
        status_ = WaitForExit(pid_, Clock::now() + timeout);
    }
    return status_;
}

pid_t ForkChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    int status = 99;
    try {
        status = body();
    } catch (...) {
    }
    _exit(status);
}

std::optional<int> FinishChild(pid_t pid, std::chrono::milliseconds timeout) {
    std::optional<int> status = WaitForExit(pid, Clock::now() + timeout);
    if (!status) {
        kill(pid, SIGKILL);
        WaitForExit(pid, Clock::now() + std::chrono::seconds(10));
    }
    return status;
}

} // namespace onarim::testing
