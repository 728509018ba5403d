#pragma once

#include <string>

#include "platform/Exception.h"

namespace onarim {

// Raised inside a run once the process was asked to stop (SIGINT, SIGTERM, SIGHUP): it
// unwinds the run, whose steps release what they hold on the way (the tool was already told
// to stop), and the procedure ends the run with the outcome "interrupted".
class EInterrupted : public Exception {
public:
    explicit EInterrupted(int signal)
        : Exception("interrupted by signal " + std::to_string(signal)), signal_(signal) {}
    int Signal() const noexcept { return signal_; }

private:
    int signal_;
};

// Raises EInterrupted when the process was asked to stop.
void ThrowIfStopRequested();

// For tests of what a killed or interrupted run leaves: when the environment variable
// ONARIM_TEST_HOLD names `stepName` ("restore"), says so on standard error
// ("ONARIM_TEST_HOLD restore") and waits until the process is asked to stop or the file that
// ONARIM_TEST_HOLD_RELEASE names exists. Builds without the test hooks (ONARIM_TEST_HOOKS)
// ignore both variables.
void HoldIfAsked(const std::string& stepName);

} // namespace onarim
