#include "repair/StepLog.h"

namespace onarim {

std::chrono::milliseconds ElapsedSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

void TStepLog::Begin(TRepairStep step, const std::string& commandLine) {
    operator_.StepStarted(step);
    TStepRecord record;
    record.step = step;
    record.commandLine = commandLine;
    report_.steps.push_back(std::move(record));
    start_ = std::chrono::steady_clock::now();
}

void TStepLog::Output(const std::string& line) {
    if (report_.steps.empty()) {
        return;
    }
    TStepRecord& record = report_.steps.back();
    record.output.push_back(line);
    operator_.OutputLine(record.step, line);
}

void TStepLog::End(int exitStatus) { End(exitStatus, ElapsedSince(start_)); }

void TStepLog::End(int exitStatus, std::chrono::milliseconds duration) {
    TStepRecord& record = report_.steps.back();
    record.exitStatus = exitStatus;
    record.duration = duration;
    operator_.StepEnded(record.step, exitStatus, record.duration);
}

const std::vector<std::string>& TStepLog::RunningOutput() const {
    return report_.steps.back().output;
}

TStep::~TStep() {
    if (ended_) {
        return;
    }
    try {
        log_.End(-1);
    } catch (...) {
        // The error that leaves the step is the one to tell; the operator's is lost.
    }
}

} // namespace onarim
