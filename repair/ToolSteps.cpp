#include "repair/ToolSteps.h"

#include "platform/CommandLine.h"
#include "platform/ServerToolNames.h"

namespace onarim {

TToolEnvironment CredentialEnvironment(const TCredentials& credentials) {
    return {{"ISC_USER", credentials.user}, {"ISC_PASSWORD", credentials.password}};
}

std::string QuotedPath(const std::string& path) { return QuoteCommandLineArgument(path, true); }

TToolSteps::TToolSteps(IServerTools& tools, TStepLog& log, std::string toolDir,
                       TCredentials credentials)
    : tools_(tools), log_(log), gfix_(toolDir + std::string(kGfixPathSuffix)),
      gbak_(toolDir + std::string(kGbakPathSuffix)), credentials_(std::move(credentials)) {}

int TToolSteps::FullValidation(const std::string& database) {
    return Run(TRepairStep::FullValidation, gfix_ + " -V -FULL " + QuotedPath(database),
               &TToolOutputReader::ValidationLine);
}

int TToolSteps::Backup(const std::string& database, const std::string& backup) {
    return Run(TRepairStep::Backup, BackupCommand(database, QuotedPath(backup)),
               &TToolOutputReader::BackupLine);
}

int TToolSteps::Restore(const std::string& backup, const std::string& database) {
    return Run(TRepairStep::Restore, RestoreCommand(QuotedPath(backup), database),
               &TToolOutputReader::RestoreLine);
}

std::string TToolSteps::BackupCommand(const std::string& database,
                                      const std::string& backupArgument) const {
    return gbak_ + " -B -V " + QuotedPath(database) + " " + backupArgument;
}

std::string TToolSteps::RestoreCommand(const std::string& backupArgument,
                                       const std::string& database) const {
    return gbak_ + " -REP -O -V " + backupArgument + " " + QuotedPath(database);
}

LineHandler TToolSteps::Said(void (TToolOutputReader::*read)(const std::string&)) {
    return [this, read](const std::string& line) {
        log_.Output(line);
        (output_.*read)(line);
    };
}

std::optional<std::pair<int, int>> TToolSteps::BackupIntoRestore(const std::string& database,
                                                                 const std::string& restored) {
    if (!tools_.CanPipeTools()) {
        return std::nullopt;
    }
    const std::string backupLine = BackupCommand(database, "stdout");
    const std::string restoreLine = RestoreCommand("stdin", restored);
    const auto start = std::chrono::steady_clock::now();
    TStep backup(log_, TRepairStep::Backup, backupLine);
    std::optional<TStep> restore;
    std::vector<std::string> early; // what the restore said while the backup ran
    const LineHandler restoreSaid = Said(&TToolOutputReader::RestoreLine);
    const auto backupEnded = [&](int status) {
        backup.End(status);
        restore.emplace(log_, TRepairStep::Restore, restoreLine);
        for (const std::string& line : std::exchange(early, {})) {
            restoreSaid(line);
        }
    };
    const auto [backupStatus, restoreStatus] = tools_.RunPipedTools(
        backupLine, restoreLine, CredentialEnvironment(credentials_),
        Said(&TToolOutputReader::BackupLine), backupEnded, [&](const std::string& line) {
            if (restore) {
                restoreSaid(line);
            } else {
                early.push_back(line);
            }
        });
    if (!restore) { // the backup never started
        backupEnded(backupStatus);
    }
    restore->End(restoreStatus, ElapsedSince(start));
    return std::pair{backupStatus, restoreStatus};
}

int TToolSteps::Run(TRepairStep step, const std::string& commandLine,
                    void (TToolOutputReader::*read)(const std::string&)) {
    TStep running(log_, step, commandLine);
    const int exitStatus =
        tools_.RunTool(commandLine, CredentialEnvironment(credentials_), Said(read));
    running.End(exitStatus);
    return exitStatus;
}

} // namespace onarim
