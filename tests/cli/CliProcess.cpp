#include "cli/CliProcess.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "support/ToolRun.h"

namespace onarim::testing {

TCliProcess::TCliProcess(const std::vector<std::string>& arguments,
                         const std::vector<std::pair<std::string, std::string>>& environment,
                         const std::string& input) {
    int output[2];
    int stdinPipe[2];
    if (pipe2(output, O_CLOEXEC) != 0 || pipe2(stdinPipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    pid_ = fork();
    if (pid_ == 0) {
        setpgid(0, 0);
        dup2(stdinPipe[0], STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        dup2(output[1], STDERR_FILENO);
        for (const auto& [name, value] : environment) {
            setenv(name.c_str(), value.c_str(), 1);
        }
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    setpgid(pid_, pid_);
    close(output[1]);
    close(stdinPipe[0]);
    outputFd_ = output[0];
    if (!input.empty() && write(stdinPipe[1], input.data(), input.size()) < 0) {
        close(stdinPipe[1]);
        throw std::runtime_error("write");
    }
    close(stdinPipe[1]);
}

TCliProcess::~TCliProcess() {
    if (!status_ && pid_ > 0) {
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    close(outputFd_);
}

bool TCliProcess::ReadSome(std::chrono::milliseconds timeout) {
    pollfd descriptor{outputFd_, POLLIN, 0};
    if (poll(&descriptor, 1, static_cast<int>(timeout.count())) <= 0) {
        return false;
    }
    char buffer[4096];
    const ssize_t count = read(outputFd_, buffer, sizeof buffer);
    if (count <= 0) {
        return false;
    }
    output_.append(buffer, static_cast<std::size_t>(count));
    return true;
}

bool TCliProcess::WaitForLine(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (output_.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !ReadSome(left)) {
            return output_.find(text) != std::string::npos;
        }
    }
    return true;
}

void TCliProcess::Kill(int signal) { kill(pid_, signal); }

void TCliProcess::KillGroup(int signal) { kill(-pid_, signal); }

std::optional<int> TCliProcess::Wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!status_) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return std::nullopt;
        }
        ReadSome(std::chrono::milliseconds(50));
    }
    while (ReadSome(std::chrono::milliseconds(0))) {
    }
    return status_;
}

std::vector<pid_t> ProcessesMentioning(const std::string& text) {
    std::vector<pid_t> found;
    DIR* processes = opendir("/proc");
    while (const dirent* entry = processes ? readdir(processes) : nullptr) {
        const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (pid <= 0 || pid == getpid()) {
            continue;
        }
        std::string commandLine;
        if (FILE* file = std::fopen(("/proc/" + std::string(entry->d_name) + "/cmdline").c_str(), "r")) {
            char buffer[4096];
            const std::size_t count = std::fread(buffer, 1, sizeof buffer, file);
            std::fclose(file);
            commandLine.assign(buffer, count);
        }
        if (commandLine.find(text) != std::string::npos) {
            found.push_back(pid);
        }
    }
    if (processes) {
        closedir(processes);
    }
    return found;
}

} // namespace onarim::testing
