#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace onarim::testing {

// onarim-cli started as a shell starts a job: in a process group of its own, with the
// password written to its standard input, its standard output and error read together by
// the test. Whatever still runs when the object goes is killed and reaped.
class TCliProcess {
public:
    TCliProcess(const std::vector<std::string>& arguments,
                const std::vector<std::pair<std::string, std::string>>& environment,
                const std::string& input);
    ~TCliProcess();
    TCliProcess(const TCliProcess&) = delete;
    TCliProcess& operator=(const TCliProcess&) = delete;

    // Reads until a line holding `text` came (true) or `timeout` passed or the output ended.
    bool WaitForLine(const std::string& text, std::chrono::milliseconds timeout);
    // Sends `signal` to the program alone, or to its whole process group (a terminal's Ctrl-C).
    void Kill(int signal);
    void KillGroup(int signal);
    // The exit status (128 + the signal when one ended it); empty when it still runs then.
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    // Everything it printed so far.
    const std::string& Output() const { return output_; }

private:
    bool ReadSome(std::chrono::milliseconds timeout);

    pid_t pid_ = -1;
    int outputFd_ = -1;
    std::string output_;
    std::optional<int> status_;
};

// Processes (other than this test's) whose command line mentions `text`: a tool left running.
std::vector<pid_t> ProcessesMentioning(const std::string& text);

} // namespace onarim::testing
