#include "repair/RunFiles.h"

#include "repair/RepairMessages.h"
#include "platform/FileError.h"

namespace onarim {

TKeptCopy::~TKeptCopy() {
    if (!kept_) {
        Discard();
    }
}

std::string TKeptCopy::Make(TStepLog& log, const std::string& database, const std::string& path) {
    TStep step(log, TRepairStep::KeepCopy);
    try {
        tools_.CopyFileKeepingOriginal(database, path);
    } catch (const EFileError& error) {
        const std::string reason = messages::ReasonOf(error);
        step.Output(reason);
        step.End(1);
        return reason;
    }
    recordedPath_ = path;
    step.Output(path);
    step.End(0);
    return {};
}

void TKeptCopy::Discard() noexcept {
    if (recordedPath_.empty() || adopted_) {
        return;
    }
    try {
        tools_.DeleteFile(recordedPath_);
    } catch (...) {
        // A copy that cannot be removed is only a file too many.
    }
    recordedPath_.clear();
}

TTransientCopy::TTransientCopy(IServerTools& tools, const std::string& keptCopy, std::string path,
                               const TCopyPreparation& prepare)
    : tools_(tools), path_(std::move(path)) {
    tools_.CopyFileKeepingOriginal(keptCopy, path_);
    if (prepare) {
        try {
            prepare(path_);
        } catch (...) {
            tools_.DeleteFile(path_);
            throw;
        }
    }
}

TTransientCopy::~TTransientCopy() {
    try {
        tools_.DeleteFile(path_);
    } catch (...) {
        // As above: a transient file too many, never a reason to fail.
    }
}

TMadeFile::~TMadeFile() {
    if (kept_) {
        return;
    }
    try {
        if (tools_.FileExists(path_)) {
            tools_.DeleteFile(path_);
        }
    } catch (...) {
        // As above.
    }
}

} // namespace onarim
