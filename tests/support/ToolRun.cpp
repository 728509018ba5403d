#include "support/ToolRun.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/FixtureError.h"
#include "support/ScratchDirectory.h"

extern char** environ;

namespace onarim::testing {

namespace {

// Owns both ends of a pipe and closes whatever is still open.
class Pipe {
public:
    Pipe() {
        if (pipe2(ends_, O_CLOEXEC) != 0) {
            throw FixtureError(std::string("cannot make a pipe: ") + std::strerror(errno));
        }
    }
    ~Pipe() {
        Close(ReadEnd);
        Close(WriteEnd);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    static constexpr int ReadEnd = 0;
    static constexpr int WriteEnd = 1;
    int operator[](int end) const { return ends_[end]; }
    void Close(int end) {
        if (ends_[end] >= 0) {
            close(ends_[end]);
            ends_[end] = -1;
        }
    }

private:
    int ends_[2] = {-1, -1};
};

// File actions that give the child /dev/null as input and the pipe as output and error.
class ChildStreams {
public:
    explicit ChildStreams(const Pipe& pipe) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions_, pipe[Pipe::WriteEnd], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions_, pipe[Pipe::WriteEnd], STDERR_FILENO);
    }
    ~ChildStreams() { posix_spawn_file_actions_destroy(&actions_); }
    ChildStreams(const ChildStreams&) = delete;
    ChildStreams& operator=(const ChildStreams&) = delete;

    const posix_spawn_file_actions_t* Actions() const { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

std::string JoinArguments(const std::vector<std::string>& arguments) {
    std::string joined;
    for (const auto& argument : arguments) {
        joined += (joined.empty() ? "" : " ") + argument;
    }
    return joined;
}

std::string ReadToEnd(int descriptor) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t count = read(descriptor, buffer, sizeof buffer);
        if (count > 0) {
            text.append(buffer, static_cast<size_t>(count));
        } else if (count == 0 || errno != EINTR) {
            return text;
        }
    }
}

int WaitFor(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            throw FixtureError(std::string("waitpid failed: ") + std::strerror(errno));
        }
    }
    return status;
}

} // namespace

std::string ToolResult::Describe() const {
    const std::string ending =
        Exited() ? "exit code " + std::to_string(exitCode) : "signal " + std::to_string(signal);
    return command + " -> " + ending + "\n" + output;
}

ToolResult RunTool(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        throw FixtureError("RunTool needs at least the program's name");
    }
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    Pipe pipe;
    pid_t child = 0;
    {
        ChildStreams streams(pipe);
        const int error =
            posix_spawnp(&child, argv[0], streams.Actions(), nullptr, argv.data(), environ);
        if (error != 0) {
            throw FixtureError("cannot start " + arguments[0] + ": " + std::strerror(error));
        }
    }
    pipe.Close(Pipe::WriteEnd); // so the read below ends when the child's copies close

    ToolResult result;
    result.command = JoinArguments(arguments);
    result.output = ReadToEnd(pipe[Pipe::ReadEnd]);
    const int status = WaitFor(child);
    if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    } else {
        result.exitCode = WEXITSTATUS(status);
    }
    return result;
}

std::string ProgramResult::Describe() const {
    const std::string ending =
        signal == 0 ? "exit code " + std::to_string(exitCode) : "signal " + std::to_string(signal);
    return ending + "\n--- output:\n" + output + "--- errors:\n" + errors;
}

namespace {

std::vector<std::string> EnvironmentWith(
    const std::vector<std::pair<std::string, std::optional<std::string>>>& changes) {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::size_t equals = text.find('=');
        variables[text.substr(0, equals)] = equals == std::string::npos ? "" : text.substr(equals + 1);
    }
    for (const auto& [name, value] : changes) {
        if (value) {
            variables[name] = *value;
        } else {
            variables.erase(name);
        }
    }
    std::vector<std::string> entries;
    for (const auto& [name, value] : variables) {
        entries.push_back(name + "=" + value);
    }
    return entries;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

} // namespace

ProgramResult RunProgram(const ProgramRun& run) {
    if (run.arguments.empty()) {
        throw FixtureError("RunProgram needs at least the program's name");
    }
    const ScratchDirectory streams;
    const auto input = streams.WriteFile("input", run.input);
    const auto output = streams.Path() / "output";
    const auto errors = streams.Path() / "errors";

    std::vector<char*> argv;
    for (const auto& argument : run.arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> environment = EnvironmentWith(run.environment);
    std::vector<char*> envp;
    for (auto& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = 0;
    const int error = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw FixtureError("cannot start " + run.arguments[0] + ": " + std::strerror(error));
    }
    const int status = WaitFor(child);
    ProgramResult result;
    if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    } else {
        result.exitCode = WEXITSTATUS(status);
    }
    result.output = ReadFile(output);
    result.errors = ReadFile(errors);
    return result;
}

} // namespace onarim::testing
