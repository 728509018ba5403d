#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "repair/RepairOperator.h"
#include "repair/RepairReport.h"

namespace onarim {

// Records the steps of a run in its report and tells the operator of each as it starts, ends
// and speaks: one place for the bookkeeping that every step shares. It is also where a run
// notices that the process was asked to stop: Begin, Output and End raise EInterrupted then
// (after End has recorded the step).
class TStepLog {
public:
    // `onStepEnded` runs after every step (the run's report is saved there).
    TStepLog(IRepairOperator& repairOperator, TRepairReport& report,
             std::function<void()> onStepEnded = {})
        : operator_(repairOperator), report_(report), onStepEnded_(std::move(onStepEnded)) {}

    // A step begins now; `commandLine` for a tool (it never holds the password).
    void Begin(TRepairStep step, const std::string& commandLine = {});
    // A line of the running step's output, as it comes.
    void Output(const std::string& line);
    // The running step ended with `exitStatus` (0: it did its work), after `duration`, or
    // after the time since Begin.
    void End(int exitStatus);
    void End(int exitStatus, std::chrono::milliseconds duration);
    // As End, for a step that an error leaves: never raises.
    void Abandon() noexcept;

    // The running step's output so far.
    const std::vector<std::string>& RunningOutput() const;

private:
    void Record(int exitStatus, std::chrono::milliseconds duration);

    IRepairOperator& operator_;
    TRepairReport& report_;
    std::function<void()> onStepEnded_;
    std::chrono::steady_clock::time_point start_;
    bool held_ = false; // the running step was held for a test (see HoldIfAsked)
};

// One step for as long as the object lives: it begins with the object, and a step that is left
// by an error without an End ends then, as failed, so the operator never sees a step that runs
// forever.
class TStep {
public:
    TStep(TStepLog& log, TRepairStep step, const std::string& commandLine = {})
        : log_(log) {
        log_.Begin(step, commandLine);
    }
    ~TStep();
    TStep(const TStep&) = delete;
    TStep& operator=(const TStep&) = delete;

    void Output(const std::string& line) { log_.Output(line); }
    void End(int exitStatus) {
        ended_ = true;
        log_.End(exitStatus);
    }
    void End(int exitStatus, std::chrono::milliseconds duration) {
        ended_ = true;
        log_.End(exitStatus, duration);
    }

private:
    TStepLog& log_;
    bool ended_ = false;
};

// Milliseconds since `start`.
std::chrono::milliseconds ElapsedSince(std::chrono::steady_clock::time_point start);

} // namespace onarim
