#include "app/RepairProcedure.h"

#include <chrono>

#include "client/IBErrors.h"
#include "platform/CommandLine.h"
#include "platform/Exception.h"
#include "platform/ServerToolNames.h"
#include "services/IBValidationService.h"

namespace onarim {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kInformation = "Bilgi";
constexpr const char* kWarning = "Dikkat";
constexpr const char* kContactSupport = "Lütfen BELVANOX Merkez ile irtibata geçiniz...";
constexpr int kHidden = 0; // show state of the tools' console windows

std::string Quoted(const std::string& path) { return QuoteCommandLineArgument(path, true); }

std::chrono::milliseconds ElapsedSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

} // namespace

std::string DirectoryPart(const std::string& fileName) {
    const std::size_t separator = fileName.rfind(kPathSeparator);
    return separator == std::string::npos ? std::string() : fileName.substr(0, separator + 1);
}

TRepairProcedure::TRepairProcedure(TIBValidationService& service, IRepairOperator& repairOperator,
                                   const IFileNameBox& fileNameBox, IServerTools& tools)
    : service_(service), operator_(repairOperator), fileNameBox_(fileNameBox), tools_(tools) {}

void TRepairProcedure::Tell(const std::string& text, const std::string& caption) {
    operator_.ShowMessage(text, caption, TMessageIcon::Information, details_);
}

void TRepairProcedure::Output(TRepairStep step, const std::string& line) {
    details_ += line;
    details_ += '\n';
    operator_.OutputLine(step, line);
}

int TRepairProcedure::RunTool(TRepairStep step, const std::string& commandLine) {
    operator_.StepStarted(step);
    details_ += "\n== " + StepTitle(step) + "\n";
    const auto start = std::chrono::steady_clock::now();
    const int exitStatus = tools_.ExecuteAndWait(commandLine, kHidden);
    operator_.StepEnded(step, exitStatus, ElapsedSince(start));
    return exitStatus;
}

bool TRepairProcedure::RequireTool(const std::string& path) {
    if (tools_.FileExists(path)) {
        return true;
    }
    Tell("Onarım için gerekli olan " + path + " dosyası bulunamadı." + kCrLf +
             "Lütfen kontrol ediliniz",
         kWarning);
    return false;
}

// One validation through the service manager; returns its report, empty when the database
// is sound. Today's servers report damage by failing the start with a summary of the errors:
// that summary is the report. Every other error ends the run.
std::string TRepairProcedure::Validate(TRepairStep step, const std::string& userLine,
                                       const std::string& passwordLine,
                                       const std::string& fileName) {
    operator_.StepStarted(step);
    details_ += "\n== " + StepTitle(step) + "\n";
    const auto start = std::chrono::steady_clock::now();
    service_.SetActive(false);
    service_.Params().Add(userLine);
    service_.Params().Add(passwordLine);
    service_.SetDatabaseName(fileName);
    service_.SetActive(true);
    std::string report;
    try {
        service_.ServiceStart();
        report = service_.ReadOutputLine();
    } catch (const EIBInterBaseError& error) {
        if (error.StatusErrorCode() != kValidationErrorsStatus) {
            throw;
        }
        report = error.Message().empty() ? "Summary of validation errors" : error.Message();
    }
    Output(step, report);
    ReadRestOfOutput(step);
    operator_.StepEnded(step, report.empty() ? 0 : 1, ElapsedSince(start));
    return report;
}

// The lines the validation gave after its report, for the details of the closing message. A
// report that came from a failed start is complete (the service is then detached).
void TRepairProcedure::ReadRestOfOutput(TRepairStep step) {
    try {
        while (service_.Active() && !service_.OutputEnded()) {
            const std::string line = service_.ReadOutputLine();
            if (!line.empty()) {
                Output(step, line);
            }
        }
    } catch (const Exception& error) {
        // The rest of the output is extra; the repair goes on without it.
        Output(step, std::string("(raporun devamı okunamadı: ") + error.what() + ")");
    }
}

TRepairOutcome TRepairProcedure::Run(TServerKind serverKind) {
    details_.clear();
    if (fileNameBox_.Text().empty()) {
        Tell("Veri Tabanını belirtmelisiniz...", kInformation);
        return TRepairOutcome::NoDatabaseNamed;
    }
    const std::string fileName = fileNameBox_.FileName();
    if (!tools_.FileExists(fileName)) {
        Tell(fileName + kCrLf + "isimi veri Tabanı bulunamadı...", kInformation);
        return TRepairOutcome::DatabaseNotFound;
    }
    const std::string password = operator_.ShowPasswordDialog();
    if (password.empty()) {
        return TRepairOutcome::Cancelled;
    }

    service_.SetActive(false);
    service_.Params().Clear();
    const std::string report = Validate(TRepairStep::FirstValidation, "user_name=SYSDBA", "password=" + password, fileName);

    // Read before the report is looked at, so a registry fault shows for a sound database too.
    std::string toolDir;
    switch (serverKind) {
    case TServerKind::Firebird: toolDir = tools_.FirebirdToolDir(); break;
    case TServerKind::InterBase: toolDir = tools_.InterBaseToolDir(); break;
    }
    const std::string quotedDatabase = Quoted(fileName);
    const std::string backupPath = DirectoryPart(fileName) + kBackupFileName;
    const std::string quotedBackup = Quoted(backupPath);

    if (report.empty()) {
        Tell(fileName + " Veri Tabanında hata bulunamadı...", kInformation);
        return TRepairOutcome::Sound;
    }
    const std::string gfix = toolDir + std::string(kGfixPathSuffix);
    const std::string gbak = toolDir + std::string(kGbakPathSuffix);
    if (!RequireTool(gfix) || !RequireTool(gbak)) {
        return TRepairOutcome::ToolMissing;
    }
    // The backup's name is fixed: never overwrite (and later delete) a file we did not write.
    if (tools_.FileExists(backupPath)) {
        Tell("Onarım için kullanılacak " + backupPath + " dosyası zaten var." + kCrLf +
                 "Bu dosyanın üzerine yazılmaması için onarım başlatılmadı; lütfen dosyayı "
                 "taşıyıp tekrar deneyiniz.",
             kWarning);
        return TRepairOutcome::BackupFileExists;
    }

    const std::string credentials =
        " -USER SYSDBA -PASSWORD " + QuoteCommandLineArgument(password) + " ";
    operator_.SetCursor(TAppCursor::Busy);
    RunTool(TRepairStep::FullValidation, gfix + " -V -FULL" + credentials + quotedDatabase);
    const int backupExit = RunTool(TRepairStep::Backup,
                                   gbak + " -B" + credentials + quotedDatabase + " " + quotedBackup);
    if (backupExit != 0 || !tools_.FileExists(backupPath)) {
        tools_.DeleteFile(backupPath);
        operator_.SetCursor(TAppCursor::HandPoint);
        Tell(std::string("Veri Tabanının yedeği alınamadı; veri tabanı dosyası değiştirilmedi.") +
                 kCrLf + kContactSupport,
             kInformation);
        return TRepairOutcome::BackupFailed;
    }
    const int restoreExit = RunTool(
        TRepairStep::Restore, gbak + " -REP -O" + credentials + quotedBackup + " " + quotedDatabase);
    if (restoreExit != 0) {
        operator_.SetCursor(TAppCursor::HandPoint);
        Tell(std::string("Yedekten geri yükleme tamamlanamadı. Yedek dosyası silinmedi:") + kCrLf +
                 backupPath + kCrLf + kContactSupport,
             kInformation);
        return TRepairOutcome::RestoreFailed;
    }
    tools_.DeleteFile(backupPath);
    operator_.SetCursor(TAppCursor::HandPoint);

    const std::string secondReport =
        Validate(TRepairStep::SecondValidation, "USER_NAME=SYSDBA", "PASSWORD=" + password, fileName);
    if (secondReport.empty()) {
        Tell("Veri Tabanı düzeltme işlemi tamamlandı...", kInformation);
        return TRepairOutcome::Repaired;
    }
    Tell(std::string("Veri Tabanı düzeltme işlemi tamamlanamadı...") + kCrLf + kContactSupport,
         kInformation);
    return TRepairOutcome::NotRepaired;
}

} // namespace onarim
