#include "repair/StepLog.h"

#include "repair/Interruption.h"

namespace onarim {

std::chrono::milliseconds ElapsedSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

void TStepLog::Begin(TRepairStep step, const std::string& commandLine) {
    ThrowIfStopRequested();
    operator_.StepStarted(step);
    TStepRecord record;
    record.step = step;
    record.commandLine = commandLine;
    report_.steps.push_back(std::move(record));
    start_ = std::chrono::steady_clock::now();
    held_ = false;
}

void TStepLog::Output(const std::string& line) {
    if (report_.steps.empty()) {
        return;
    }
    TStepRecord& record = report_.steps.back();
    record.output.push_back(line);
    operator_.OutputLine(record.step, line);
    // A test holds a step at its first line: a tool is then running, half-way through.
    if (!held_) {
        held_ = true;
        HoldIfAsked(StepName(record.step));
    }
    ThrowIfStopRequested();
}

void TStepLog::End(int exitStatus) { End(exitStatus, ElapsedSince(start_)); }

void TStepLog::End(int exitStatus, std::chrono::milliseconds duration) {
    if (!held_) {
        held_ = true;
        HoldIfAsked(StepName(report_.steps.back().step));
    }
    Record(exitStatus, duration);
    ThrowIfStopRequested();
}

void TStepLog::Abandon() noexcept {
    try {
        Record(-1, ElapsedSince(start_));
    } catch (...) {
        // The error that leaves the step is the one to tell.
    }
}

void TStepLog::Record(int exitStatus, std::chrono::milliseconds duration) {
    TStepRecord& record = report_.steps.back();
    record.exitStatus = exitStatus;
    record.duration = duration;
    operator_.StepEnded(record.step, exitStatus, record.duration);
    if (onStepEnded_) {
        onStepEnded_();
    }
}

const std::vector<std::string>& TStepLog::RunningOutput() const {
    return report_.steps.back().output;
}

TStep::~TStep() {
    if (!ended_) {
        log_.Abandon();
    }
}

} // namespace onarim
