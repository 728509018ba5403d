#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "repair/ServerTools.h"
#include "repair/StepLog.h"
#include "repair/ToolOutput.h"
#include "recovery/Credentials.h"
#include "recovery/Salvage.h"

namespace onarim {

// Who every tool logs in as.
inline constexpr const char* kSysdba = "SYSDBA";

// The credentials in a tool's environment: only the same user may read a process's
// environment, anybody may read its arguments.
TToolEnvironment CredentialEnvironment(const TCredentials& credentials);

// `path` quoted for a command line, blanks and double quotes kept inside it.
std::string QuotedPath(const std::string& path);

// The server's tools as steps of a run: each runs with the credentials in its environment,
// its output lines go to the step as they come, and what it said is read for the report
// (what gbak skipped, every ERROR line).
class TToolSteps {
public:
    TToolSteps(IServerTools& tools, TStepLog& log, std::string toolDir, TCredentials credentials);

    const std::string& Gfix() const noexcept { return gfix_; }
    const std::string& Gbak() const noexcept { return gbak_; }

    // gfix -V -FULL of `database`. Returns the tool's exit status.
    int FullValidation(const std::string& database);
    // gbak -B -V `database` `backup`.
    int Backup(const std::string& database, const std::string& backup);
    // gbak -REP -O -V `backup` `database`.
    int Restore(const std::string& backup, const std::string& database);

    // gbak -B -V `database` stdout straight into gbak -REP -O -V stdin `restored`: both at
    // once, and no backup file between them. Returns the backup's and the restore's exit
    // statuses; nothing when the tools cannot be joined so here. The restore's step begins
    // when the backup's ends, with what the restore said meanwhile.
    std::optional<std::pair<int, int>> BackupIntoRestore(const std::string& database,
                                                         const std::string& restored);
    // Forgets what the backups and restores said, before they run again.
    void ForgetTransfers() { output_.ForgetTransfers(); }

    // What the tools said so far.
    const TToolOutputSummary& Summary() const noexcept { return output_.Summary(); }

private:
    int Run(TRepairStep step, const std::string& commandLine,
            void (TToolOutputReader::*read)(const std::string&));
    // gbak's command lines; the backup's place is given as it goes on the line.
    std::string BackupCommand(const std::string& database, const std::string& backupArgument) const;
    std::string RestoreCommand(const std::string& backupArgument,
                               const std::string& database) const;
    // A tool's line to the running step and to `read` of the output reader.
    LineHandler Said(void (TToolOutputReader::*read)(const std::string&));

    IServerTools& tools_;
    TStepLog& log_;
    std::string gfix_, gbak_;
    TCredentials credentials_;
    TToolOutputReader output_;
};

} // namespace onarim
