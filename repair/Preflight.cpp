#include "repair/Preflight.h"

#include "repair/RepairFiles.h"
#include "repair/RepairMessages.h"

namespace onarim {

std::optional<TRefusal> CheckDatabaseFile(const std::string& fileName,
                                          const TDatabaseFileFacts& facts, bool keepCopy) {
    using Content = TDatabaseFileFacts::Content;
    using namespace messages;
    const auto refuse = [&fileName](TRepairOutcome outcome, TFileRefusal refusal,
                                    const char* caption) {
        return TRefusal{outcome, FileRefusal(refusal, fileName), caption};
    };
    switch (facts.content) {
    case Content::Database: break;
    case Content::Empty:
        return refuse(TRepairOutcome::NotADatabase, TFileRefusal::Empty, kInformation);
    case Content::NotDatabase:
        return refuse(TRepairOutcome::NotADatabase, TFileRefusal::NotADatabase, kInformation);
    case Content::Unreadable:
        return refuse(TRepairOutcome::PreflightRefused, TFileRefusal::Unreadable, kWarning);
    }
    if (facts.readOnlyFileSystem) {
        return refuse(TRepairOutcome::PreflightRefused, TFileRefusal::ReadOnlyFileSystem, kWarning);
    }
    if (!facts.writable) {
        return refuse(TRepairOutcome::PreflightRefused, TFileRefusal::NotWritable, kWarning);
    }
    if (!facts.folderWritable) {
        return refuse(TRepairOutcome::PreflightRefused, TFileRefusal::FolderNotWritable, kWarning);
    }
    const std::uint64_t needed = RequiredFreeBytes(facts.size, keepCopy);
    if (facts.freeBytes < needed) {
        return TRefusal{TRepairOutcome::PreflightRefused, NotEnoughSpace(needed, facts.freeBytes),
                        kWarning};
    }
    return std::nullopt;
}

} // namespace onarim
