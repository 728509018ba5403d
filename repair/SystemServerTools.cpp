#include "repair/SystemServerTools.h"

#include <thread>

#include "ods/OdsError.h"
#include "platform/CommandLine.h"
#include "platform/Exception.h"
#include "platform/FileReplace.h"
#include "platform/FileUsers.h"
#include "platform/Files.h"
#include "platform/ProcessRunner.h"
#include "recovery/DatabaseCensus.h"
#include "recovery/DatabaseInUse.h"
#include "recovery/RawCensus.h"
#include "repair/DamageErrors.h"
#include "repair/DatabaseFileFacts.h"
#include "repair/EngineTask.h"
#include "repair/ExecuteAndWait.h"
#include "repair/RepairProcedure.h"
#include "repair/ServerToolDir.h"
#include "repair/Validation.h"

namespace onarim {

std::string TSystemServerTools::FirebirdToolDir() {
    return GetFirebirdToolDir();
}

std::string TSystemServerTools::InterBaseToolDir() {
    return GetInterBaseToolDir();
}

int TSystemServerTools::ExecuteAndWait(const std::string& commandLine, int showState) {
    return ::onarim::ExecuteAndWait(
        commandLine, showStateOverride_.value_or(static_cast<std::uint16_t>(showState)));
}

int TSystemServerTools::RunTool(const std::string& commandLine, const TToolEnvironment& environment,
                                const LineHandler& onLine) {
    return SpawnAndCapture(ResolveCommandLine(commandLine), environment, onLine);
}

std::pair<int, int> TSystemServerTools::RunPipedTools(const std::string& first,
                                                      const std::string& second,
                                                      const TToolEnvironment& environment,
                                                      const LineHandler& onFirstLine,
                                                      const std::function<void(int)>& onFirstEnded,
                                                      const LineHandler& onSecondLine) {
    const PipedRun run = SpawnPipedAndCapture(ResolveCommandLine(first), ResolveCommandLine(second),
                                              environment, onFirstLine, onFirstEnded, onSecondLine);
    return {run.first, run.second};
}

bool TSystemServerTools::FileExists(const std::string& path) {
    return ::onarim::FileExists(path);
}

bool TSystemServerTools::DeleteFile(const std::string& path) {
    return ::onarim::DeleteFile(path);
}

TDatabaseFileFacts TSystemServerTools::InspectDatabaseFile(const std::string& path) {
    return InspectDatabaseFileFacts(path);
}

void TSystemServerTools::CopyFileKeepingOriginal(const std::string& source,
                                                 const std::string& target) {
    CopyToNewFile(source, target);
}

void TSystemServerTools::WriteTextFile(const std::string& path, const std::string& text) {
    WriteFileDurably(path, text);
}

std::optional<std::string> TSystemServerTools::ReadTextFile(const std::string& path) {
    return ReadWholeFile(path);
}

std::vector<std::string> TSystemServerTools::FilesNamedLike(const std::string& directory,
                                                            const std::string& prefix,
                                                            const std::string& suffix) {
    return ::onarim::FilesNamedLike(directory, prefix, suffix);
}

std::string TSystemServerTools::ResolvedPath(const std::string& path) {
    return ::onarim::ResolvedPath(path);
}

void TSystemServerTools::MatchOwnerAndMode(const std::string& path, const std::string& model) {
    ::onarim::MatchOwnerAndMode(path, model);
}

void TSystemServerTools::ReplaceFile(const std::string& replacement, const std::string& target) {
    ReplaceDurably(replacement, target);
}

void TSystemServerTools::StartWritingOut(const std::string& path) {
    // On a thread of its own: handing a large file's pages to the disk takes a while. The
    // thread owns nothing of ours and outlives nothing that matters (a replaced or removed
    // file's pages are written out all the same).
    std::thread([path] { ::onarim::StartWritingOut(path); }).detach();
}

ods::TPageCheck TSystemServerTools::CheckPages(const std::string& path) {
    return ods::CheckPages(path);
}

void TSystemServerTools::ApplyPageMends(const std::string& path, const ods::TPageCheck& check) {
    ods::ApplyMends(path, check);
}

bool TSystemServerTools::FileOpenElsewhere(const std::string& path) {
    return OpenByAnotherProcess(path);
}

bool TSystemServerTools::IsProcessRunning(const ProcessIdentity& process) {
    return IsRunning(process);
}

std::string TSystemServerTools::ValidatorProgram() {
    return ValidatorPath();
}

TDatabaseCensus TSystemServerTools::TakeCensus(const std::string& path,
                                               const TCredentials& credentials) {
    const std::string engine = EngineProgramPath();
    return engine.empty() ? ::onarim::TakeCensus(path, credentials)
                          : CensusInChild(engine, path, credentials);
}

std::optional<TDatabaseCensus> TSystemServerTools::TakeRawCensus(const std::string& path,
                                                                 const ods::TPageCheck* mends) {
    try {
        return ::onarim::TakeRawCensus(path, mends);
    } catch (const ods::EOdsError&) {
        return std::nullopt;
    }
}

bool TSystemServerTools::DatabaseInUse(const std::string& path, const TCredentials& credentials) {
    try {
        return ::onarim::DatabaseInUse(path, credentials);
    } catch (const EIBInterBaseError& error) {
        // A database too damaged to attach is the validation's business, not an attachment.
        if (IsDamageReport(error, DeclaresEncryption(path))) {
            return false;
        }
        throw;
    }
}

TRecoveryResult TSystemServerTools::PutBackLostData(const TOriginalFiles& source,
                                                    const TRepairedDatabase& repaired,
                                                    const TCredentials& credentials,
                                                    const LineHandler& progress) {
    const std::string engine = EngineProgramPath();
    return engine.empty() ? ::onarim::PutBackLostData(source, repaired, credentials, progress)
                          : PutBackInChild(engine, source, repaired, credentials, progress);
}

TSalvageResult TSystemServerTools::SalvageDatabase(const TOriginalFiles& source,
                                                   const std::string& target,
                                                   const TCredentials& credentials,
                                                   const std::string& gbak,
                                                   const LineHandler& progress) {
    const std::string engine = EngineProgramPath();
    if (engine.empty()) {
        return ::onarim::SalvageDatabase(source, target, credentials,
                                         GbakRunnerFor(gbak, credentials, progress), progress);
    }
    return SalvageInChild(engine, source, target, credentials, gbak, progress);
}

} // namespace onarim
