// onarim-cli: the repair of the "Onar" button, for servers without a desktop.
#include <cstdio>
#include <string>
#include <vector>

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

int Main(int argc, char** argv) {
    EnsureUtf8Locale();
    const std::string program = ApplicationTitle();
    // Before the client library's engine starts threads and installs its own handlers: a
    // Ctrl-C must stop the repair safely, not shut its connections under it.
    WatchStopSignals([program](int) {
        const std::string notice = program + ": durdurma isteği alındı; onarım güvenli biçimde "
                                             "durduruluyor…\n";
        std::fputs(notice.c_str(), stderr);
        StopRunningPrograms();
    });
    const RepairCommandLine command =
        ParseRepairCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!command.usageError.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program.c_str(),
                     command.usageError.c_str(), program.c_str());
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

    int status = kExitError;
    try {
        status = Repair(command);
    } catch (const std::exception& error) {
        // An error without a message is still told, by its codes.
        std::fprintf(stderr, "%s: %s\n", program.c_str(), ErrorBoxText(ErrorText(error)).c_str());
    }
    // The service component is gone by now; the hook and then the library go last.
    ShutdownClient();
    return status;
}

} // namespace
} // namespace onarim

int main(int argc, char** argv) { return onarim::Main(argc, argv); }
