#pragma once
// Placeholder until the reader of the tools' output lands.
#include <string>
#include <vector>

#include "app/Losses.h"

namespace onarim {

struct TToolOutputSummary {
    TSkippedBlobs skippedBlobs;
    std::vector<std::string> errors;
};

class TToolOutputReader {
public:
    void BackupLine(const std::string&) {}
    void RestoreLine(const std::string&) {}
    const TToolOutputSummary& Summary() const { return summary_; }

private:
    TToolOutputSummary summary_;
};

} // namespace onarim
