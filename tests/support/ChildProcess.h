#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace onarim::testing {

// A program run by a test, with its standard output on a pipe the test reads line by line.
// It inherits the test's environment and standard error. Every wait is bounded; whatever is
// still running when the object goes is killed and reaped.
class TChildProcess {
public:
    // Starts `program` with `arguments`; throws std::runtime_error when it cannot start.
    TChildProcess(const std::string& program, const std::vector<std::string>& arguments);
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    // The next line of output without its line end; empty when none came within `timeout`
    // or the output has ended.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);

    void Kill(int signal);

    // The exit status (128 + the signal's number when a signal ended it); empty when the
    // program is still running after `timeout`.
    std::optional<int> Wait(std::chrono::milliseconds timeout);

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string buffered_;
    std::optional<int> status_;
};

// Runs `body` in a forked copy of this process, which then ends with `body`'s result as its
// exit status (exceptions end it with 99). Returns the child's process id.
pid_t ForkChild(const std::function<int()>& body);

// The exit status of child `pid` (128 + the signal's number when a signal ended it); empty
// when it is still running after `timeout`, and it is then killed and reaped.
std::optional<int> FinishChild(pid_t pid, std::chrono::milliseconds timeout);

} // namespace onarim::testing
