// onarim-cli: the repair of the "Onar" button, for servers without a desktop.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CheckFindings.h"
#include "cli/CheckJson.h"
#include "cli/CheckStatusLine.h"
#include "cli/DatabaseCheck.h"
#include "repair/ErrorBoxText.h"
#include "repair/ExecuteAndWait.h"
#include "repair/RepairProcedure.h"
#include "repair/RepairValidationService.h"
#include "repair/SystemServerTools.h"
#include "cli/ConsoleOperator.h"
#include "cli/RepairCommandLine.h"
#include "client/DatabaseError.h"
#include "platform/ApplicationTitle.h"
#include "repair/ClientShutdown.h"
#include "platform/ProcessRunner.h"
#include "platform/RunningPrograms.h"
#include "platform/StopSignals.h"
#include "platform/Utf8Locale.h"

namespace onarim {
namespace {

constexpr int kExitDone = 0;
constexpr int kExitNotDone = 1;
constexpr int kExitUsage = 2;
constexpr int kExitError = 3;
constexpr int kExitLosses = 4;

int ExitStatusFor(TRepairOutcome outcome) {
    switch (outcome) {
    case TRepairOutcome::Sound:
    case TRepairOutcome::Repaired: return kExitDone;
    case TRepairOutcome::RepairedWithLosses:
    case TRepairOutcome::Salvaged: return kExitLosses;
    case TRepairOutcome::NoDatabaseNamed:
    case TRepairOutcome::DatabaseNotFound:
    case TRepairOutcome::NotADatabase:
    case TRepairOutcome::Cancelled: return kExitUsage;
    case TRepairOutcome::PreflightRefused:
    case TRepairOutcome::ToolMissing:
    case TRepairOutcome::BackupFileExists:
    case TRepairOutcome::BackupFailed:
    case TRepairOutcome::RestoreFailed:
    case TRepairOutcome::NotRepaired: break;
    case TRepairOutcome::Interrupted: return kSignalExitBase + StopSignal();
    }
    return kExitNotDone;
}

int Repair(const RepairCommandLine& command) {
    // Set up as the main window sets up its validation component.
    const auto service = MakeRepairValidationService();

    // With --json the messages stay off standard output, which carries the report alone.
    std::FILE* messages = command.json ? stderr : stdout;
    TConsoleOperator console(stdin, messages, command.verbose && !command.json);
    TFileNameBoxSnapshot fileName(command.database);
    TSystemServerTools tools;
    TRepairOptions options;
    options.keepCopy = !command.noCopy;
    TRepairProcedure procedure(*service, console, fileName, tools, options);
    const TRepairOutcome outcome =
        procedure.Run(command.interBase ? TServerKind::InterBase : TServerKind::Firebird);
    if (command.json) {
        std::fputs(ReportToJson(procedure.Report()).c_str(), stdout);
    }
    return ExitStatusFor(outcome);
}

// The check's outcome on standard output: the status line, or the whole result as JSON.
int TellCheck(const TCheckResult& result, bool json) {
    if (json) {
        std::fputs(CheckResultToJson(result).c_str(), stdout);
    } else {
        std::printf("%s\n", CheckStatusLine(result).c_str());
    }
    std::fflush(stdout);
    return CheckExitStatus(result.Status());
}

int Check(const RepairCommandLine& command) {
    // The password prompt goes to the terminal; standard output carries the outcome alone.
    TConsoleOperator console(stdin, stderr, false);
    const TCheckResult result =
        CheckDatabase({command.database, command.server, command.warnGap},
                      [&console] { return console.ShowPasswordDialog(); });
    return TellCheck(result, command.json);
}

int Main(int argc, char** argv) {
    EnsureUtf8Locale();
    const std::string program = ApplicationTitle();
    const RepairCommandLine command =
        ParseRepairCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!command.usageError.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program.c_str(),
                     command.usageError.c_str(), program.c_str());
        if (command.check) {
            // A monitor reads 2 as CRITICAL: a check it cannot run is UNKNOWN.
            TCheckResult result;
            result.warnGap = command.warnGap;
            result.server = command.server;
            result.findings.push_back(UsageError(command.usageError));
            return TellCheck(result, command.json);
        }
        return kExitUsage;
    }
    if (command.help) {
        std::fputs(RepairCommandHelp(program).c_str(), stdout);
        return kExitDone;
    }
    if (command.version) {
        std::printf("%s (Onarım) %s\n", program.c_str(), ONARIM_VERSION);
        return kExitDone;
    }

    if (!command.check) {
        // Before the client library's engine starts threads and installs its own handlers: a
        // Ctrl-C must stop the repair safely, not shut its connections under it. The check
        // writes nothing and has nothing to stop safely.
        WatchStopSignals([program](int) {
            const std::string notice = program + ": durdurma isteği alındı; onarım güvenli "
                                                 "biçimde durduruluyor…\n";
            std::fputs(notice.c_str(), stderr);
            StopRunningPrograms();
        });
    }

    int status = kExitError;
    try {
        status = command.check ? Check(command) : Repair(command);
    } catch (const std::exception& error) {
        // An error without a message is still told, by its codes.
        std::fprintf(stderr, "%s: %s\n", program.c_str(), ErrorBoxText(ErrorText(error)).c_str());
        if (command.check) {
            std::printf("ONARIM UNKNOWN - denetlenemedi\n");
        }
    }
    // The service component is gone by now; the hook and then the library go last.
    ShutdownClient();
    return status;
}

} // namespace
} // namespace onarim

int main(int argc, char** argv) { return onarim::Main(argc, argv); }
