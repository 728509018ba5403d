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
    return Run(TRepairStep::Backup, gbak_ + " -B -V " + QuotedPath(database) + " " + QuotedPath(backup),
               &TToolOutputReader::BackupLine);
}

int TToolSteps::Restore(const std::string& backup, const std::string& database) {
    return Run(TRepairStep::Restore,
               gbak_ + " -REP -O -V " + QuotedPath(backup) + " " + QuotedPath(database),
               &TToolOutputReader::RestoreLine);
}

std::optional<std::pair<int, int>> TToolSteps::BackupIntoRestore(const std::string& database,
                                                                 const std::string& restored) {
    if (!tools_.CanPipeTools()) {
        return std::nullopt;
    }
    const std::string backupLine = gbak_ + " -B -V " + QuotedPath(database) + " stdout";
    const std::string restoreLine = gbak_ + " -REP -O -V stdin " + QuotedPath(restored);
    const auto start = std::chrono::steady_clock::now();
    TStep backup(log_, TRepairStep::Backup, backupLine);
    std::optional<TStep> restore;
    std::vector<std::string> early; // what the restore said while the backup ran
    const auto restoreSaid = [this](const std::string& line) {
        log_.Output(line);
        output_.RestoreLine(line);
    };
    const auto backupEnded = [&](int status) {
        backup.End(status);
        restore.emplace(log_, TRepairStep::Restore, restoreLine);
        for (const std::string& line : std::exchange(early, {})) {
            restoreSaid(line);
        }
    };
    const auto [backupStatus, restoreStatus] = tools_.RunPipedTools(
        backupLine, restoreLine, CredentialEnvironment(credentials_),
        [this](const std::string& line) {
            log_.Output(line);
            output_.BackupLine(line);
        },
        backupEnded,
        [&](const std::string& line) {
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
    const int exitStatus = tools_.RunTool(commandLine, CredentialEnvironment(credentials_),
                                          [this, read](const std::string& line) {
                                              log_.Output(line);
                                              (output_.*read)(line);
                                          });
    running.End(exitStatus);
    return exitStatus;
}

} // namespace onarim
