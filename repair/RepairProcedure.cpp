#include "repair/RepairProcedure.h"

#include <chrono>
#include <filesystem>
#include <ctime>

#include "repair/DamageErrors.h"
#include "repair/ToolOutput.h"
#include "repair/ValidatorProtocol.h"
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
constexpr const char* kUser = "SYSDBA";

std::string Quoted(const std::string& path) { return QuoteCommandLineArgument(path, true); }

std::chrono::milliseconds ElapsedSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

// Rows and blob values written, over all tables.
std::pair<std::int64_t, std::int64_t> Written(const std::vector<TTableRecovery>& tables) {
    std::pair<std::int64_t, std::int64_t> written{0, 0};
    for (const TTableRecovery& table : tables) {
        written.first += table.rowsPutBack;
        written.second += table.blobsPutBack;
    }
    return written;
}

std::string Megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB";
}

// The file's own name split at its last full stop: "/a/B.FDB" gives "/a/B" and ".FDB".
std::pair<std::string, std::string> StemAndExtension(const std::string& fileName) {
    const std::size_t nameStart = DirectoryPrefix(fileName).size();
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) {
        return {fileName, ""};
    }
    return {fileName.substr(0, dot), fileName.substr(dot)};
}

// The reader's messages quote the file it read: a transient copy that is gone by the time the
// report is read. They name the kept copy instead, of which it was a byte copy.
void NameKeptCopy(std::vector<TTableRecovery>& tables, const std::string& transient,
                  const std::string& keptCopy) {
    for (TTableRecovery& table : tables) {
        for (std::string& problem : table.problems) {
            for (std::size_t at = problem.find(transient); at != std::string::npos;
                 at = problem.find(transient, at + keptCopy.size())) {
                problem.replace(at, transient.size(), keptCopy);
            }
        }
    }
}

} // namespace

std::string ValidatorPath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path beside = self.parent_path() / "onarim-validate";
        if (std::filesystem::is_regular_file(beside, error)) {
            return beside.string();
        }
    }
#ifdef ONARIM_BUILD_VALIDATOR
    if (std::filesystem::is_regular_file(ONARIM_BUILD_VALIDATOR, error)) {
        return ONARIM_BUILD_VALIDATOR;
    }
#endif
    return {};
}

std::string DirectoryPrefix(const std::string& fileName) {
    const std::size_t separator = fileName.rfind(kPathSeparator);
    return separator == std::string::npos ? std::string() : fileName.substr(0, separator + 1);
}

std::string KeptCopyName(const std::string& fileName, const std::string& stamp) {
    const auto [stem, extension] = StemAndExtension(fileName);
    return stem + ".onarim-" + stamp + extension;
}

std::string ReportFileName(const std::string& fileName, const std::string& stamp) {
    return StemAndExtension(fileName).first + ".onarim-" + stamp + ".json";
}

std::uint64_t RequiredFreeBytes(std::uint64_t databaseSize, bool keepCopy) {
    return databaseSize * (keepCopy ? 3 : 2);
}

std::string RepairOutcomeName(TRepairOutcome outcome) {
    switch (outcome) {
    case TRepairOutcome::NoDatabaseNamed: return "no-database-named";
    case TRepairOutcome::DatabaseNotFound: return "database-not-found";
    case TRepairOutcome::NotADatabase: return "not-a-database";
    case TRepairOutcome::Cancelled: return "cancelled";
    case TRepairOutcome::PreflightRefused: return "preflight-refused";
    case TRepairOutcome::Sound: return "sound";
    case TRepairOutcome::ToolMissing: return "tool-missing";
    case TRepairOutcome::BackupFileExists: return "backup-file-exists";
    case TRepairOutcome::BackupFailed: return "backup-failed";
    case TRepairOutcome::RestoreFailed: return "restore-failed";
    case TRepairOutcome::Repaired: return "repaired";
    case TRepairOutcome::RepairedWithLosses: return "repaired-with-losses";
    case TRepairOutcome::Salvaged: return "salvaged";
    case TRepairOutcome::NotRepaired: return "not-repaired";
    }
    return {};
}

TRepairProcedure::TRepairProcedure(TIBValidationService& service, IRepairOperator& repairOperator,
                                   const IFileNameBox& fileNameBox, IServerTools& tools,
                                   TRepairOptions options)
    : service_(service), operator_(repairOperator), fileNameBox_(fileNameBox), tools_(tools),
      options_(std::move(options)) {
    if (options_.validator.empty()) {
        options_.validator = tools_.ValidatorProgram();
    }
}

void TRepairProcedure::Tell(const std::string& text, const std::string& caption) {
    operator_.ShowMessage(text, caption, TMessageIcon::Information, ReportDetails(report_));
}

// Ends a run that got as far as changing something: the message names the kept copy, and the
// report goes beside the database.
TRepairOutcome TRepairProcedure::Finish(TRepairOutcome outcome, const std::string& text,
                                        const std::string& caption) {
    std::string message = text;
    if (!report_.keptCopy.empty()) {
        message += std::string(kCrLf) + "Özgün dosyanın kopyası: " + report_.keptCopy;
    }
    report_.outcome = RepairOutcomeName(outcome);
    report_.message = message;
    report_.ended = options_.clock();
    const std::string path = ReportFileName(report_.database, stamp_);
    try {
        tools_.WriteTextFile(path, ReportToJson(report_));
        reportPath_ = path;
    } catch (const Exception& error) {
        // The repair is done; a report that cannot be written must not hide its outcome.
        message += std::string(kCrLf) + "Rapor dosyası yazılamadı: " + error.what();
    }
    Tell(message, caption);
    return outcome;
}

void TRepairProcedure::BeginStep(TRepairStep step, const std::string& commandLine) {
    operator_.StepStarted(step);
    TStepRecord record;
    record.step = step;
    record.commandLine = commandLine;
    report_.steps.push_back(std::move(record));
    stepStart_ = std::chrono::steady_clock::now();
}

void TRepairProcedure::EndStep(int exitStatus) {
    TStepRecord& record = report_.steps.back();
    record.exitStatus = exitStatus;
    record.duration = ElapsedSince(stepStart_);
    operator_.StepEnded(record.step, exitStatus, record.duration);
}

void TRepairProcedure::Output(TRepairStep step, const std::string& line) {
    if (!report_.steps.empty()) {
        report_.steps.back().output.push_back(line);
    }
    operator_.OutputLine(step, line);
}

// What the tools said they skipped or failed at, for the accounting and the report.
void TRepairProcedure::KeepToolFindings(const TToolOutputSummary& summary) {
    report_.skippedBlobs.clear();
    for (const TTableTransfer& table : summary.tables) {
        if (!table.blobErrors.empty()) {
            report_.skippedBlobs[table.table] = table.blobErrors;
        }
    }
    report_.toolErrors.clear();
    for (const TToolError& error : summary.errors) {
        std::string line = (error.warning ? "WARNING: " : "ERROR: ") + error.message;
        if (error.count > 1) {
            line += " (" + std::to_string(error.count) + " kez)";
        }
        report_.toolErrors.push_back(std::move(line));
    }
}

bool TRepairProcedure::RequireTool(const std::string& path) {
    if (tools_.FileExists(path)) {
        return true;
    }
    Finish(TRepairOutcome::ToolMissing,
           "Onarım için gerekli olan " + path + " dosyası bulunamadı." + kCrLf +
               "Lütfen kontrol ediliniz",
           kWarning);
    return false;
}

// One validation through the service manager; returns its report, empty when the database
// is sound. Today's servers report damage by failing the start with a summary of the errors;
// a validation that fails on a damaged page says as much. Either is the report. Every other
// error ends the run.
std::string TRepairProcedure::Validate(TRepairStep step, const std::string& userLine,
                                       const std::string& passwordLine,
                                       const std::string& fileName) {
    if (!options_.validator.empty()) {
        // The password line is "password=<password>" or "PASSWORD=<password>".
        return ValidateInChild(step, fileName, passwordLine.substr(passwordLine.find('=') + 1));
    }
    BeginStep(step);
    service_.SetActive(false);
    service_.Params().Add(userLine);
    service_.Params().Add(passwordLine);
    service_.SetDatabaseName(fileName);
    validationBegan_ = false;
    service_.SetActive(true);
    validationBegan_ = true;
    std::string report;
    try {
        service_.ServiceStart();
        report = service_.ReadOutputLine();
    } catch (const EIBInterBaseError& error) {
        if (!IsDamageReport(error)) {
            throw;
        }
        report = error.Message().empty() ? "Summary of validation errors" : error.Message();
    }
    Output(step, report);
    ReadRestOfOutput(step);
    EndStep(report.empty() ? 0 : 1);
    return report;
}

// The same validation run by onarim-validate, so that what the engine keeps open after a
// validation that failed part-way goes with that process. Errors are raised as the component
// raises them.
std::string TRepairProcedure::ValidateInChild(TRepairStep step, const std::string& fileName,
                                              const std::string& password) {
    BeginStep(step);
    validationBegan_ = true;
    std::vector<std::string> lines;
    const int status = tools_.RunTool(Quoted(options_.validator) + " " + Quoted(fileName),
                                      {{"ISC_USER", kUser}, {"ISC_PASSWORD", password}},
                                      [&lines](const std::string& line) { lines.push_back(line); });
    if (status == kValidatorServiceError || status == kValidatorAttachError) {
        if (auto error = ErrorFromValidatorOutput(lines)) {
            validationBegan_ = status == kValidatorServiceError;
            throw *error;
        }
    }
    if (status != kValidatorRan && status != kValidatorDamage) {
        const std::string message = JoinLines(lines.begin(), lines.end());
        throw Exception("Doğrulama yapılamadı (" + options_.validator + ", çıkış durumu " +
                        std::to_string(status) + ")" + (message.empty() ? "" : ": " + message));
    }
    std::string report = lines.empty() ? std::string() : lines.front();
    if (status == kValidatorDamage) {
        report = JoinLines(lines.begin(), lines.end());
        if (report.empty()) {
            report = "Summary of validation errors";
        }
    }
    Output(step, report);
    for (std::size_t i = 1; status == kValidatorRan && i < lines.size(); ++i) {
        Output(step, lines[i]);
    }
    EndStep(report.empty() ? 0 : 1);
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

// Runs one tool with the credentials in its environment (only the same user may read a
// process's environment; anybody may read its arguments).
int TRepairProcedure::RunTool(TRepairStep step, const std::string& commandLine,
                              const std::string& password) {
    BeginStep(step, commandLine);
    const int exitStatus =
        tools_.RunTool(commandLine, {{"ISC_USER", kUser}, {"ISC_PASSWORD", password}},
                       [this, step](const std::string& line) { Output(step, line); });
    EndStep(exitStatus);
    return exitStatus;
}

void TRepairProcedure::KeepCopy(const std::string& fileName) {
    const std::string copy = KeptCopyName(fileName, stamp_);
    BeginStep(TRepairStep::KeepCopy);
    tools_.CopyFileKeepingOriginal(fileName, copy);
    report_.keptCopy = copy;
    Output(TRepairStep::KeepCopy, copy);
    EndStep(0);
}

// Counts what the database held before the repair, before the first validation touches it:
// without a kept copy the database itself is all there is to count.
void TRepairProcedure::CountBefore(const std::string& fileName, const TCredentials& credentials) {
    BeginStep(TRepairStep::Accounting);
    int status = 0;
    try {
        report_.before = tools_.TakeCensus(fileName, credentials);
    } catch (const Exception& error) {
        report_.losses.uncounted = error.what();
        Output(TRepairStep::Accounting, std::string("Sayılamadı: ") + error.what());
        status = 1;
    }
    EndStep(status);
}

// Starts the count of what the kept original held. The kept copy must stay as it was, and an
// attachment writes to the file it opens: the count reads a second, transient copy of it, and
// removes it when done. It needs nothing of gfix and gbak, which work on the database in
// processes of their own, so it runs on a thread of its own meanwhile; FinishCountBefore takes
// its result.
void TRepairProcedure::StartCountBefore(const std::string& fileName,
                                        const TCredentials& credentials) {
    auto count = [this, credentials, keptCopy = report_.keptCopy,
                  source = TransientCopy(fileName, "sayim")]() {
        TCountBefore result;
        const auto start = std::chrono::steady_clock::now();
        try {
            tools_.CopyFileKeepingOriginal(keptCopy, source);
            result.census = tools_.TakeCensus(source, credentials);
        } catch (const Exception& error) {
            result.error = error.what();
        }
        tools_.DeleteFile(source);
        result.duration = ElapsedSince(start);
        return result;
    };
    if (options_.countAlongsideTools) {
        countBefore_ = std::async(std::launch::async, std::move(count));
    } else {
        std::promise<TCountBefore> counted;
        counted.set_value(count());
        countBefore_ = counted.get_future();
    }
}

// Waits for the count StartCountBefore began and records it as a step of its own duration.
// Does nothing when no count runs.
void TRepairProcedure::FinishCountBefore() {
    if (!countBefore_.valid()) {
        return;
    }
    BeginStep(TRepairStep::Accounting);
    TCountBefore result = countBefore_.get();
    stepStart_ = std::chrono::steady_clock::now() - result.duration;
    report_.before = std::move(result.census);
    if (!result.error.empty()) {
        report_.losses.uncounted = result.error;
        Output(TRepairStep::Accounting, "Sayılamadı: " + result.error);
    }
    EndStep(result.error.empty() ? 0 : 1);
}

// Name of a transient copy of the kept original for one purpose: attaching writes to a file,
// and the kept copy must stay as it was.
std::string TRepairProcedure::TransientCopy(const std::string& fileName, const std::string& purpose) {
    const auto [stem, extension] = StemAndExtension(fileName);
    return stem + ".onarim-" + stamp_ + "-" + purpose + extension;
}

// Writes back, from a transient copy of the kept original, what the repair lost, then counts
// again: what is still missing after that is the loss to tell.
void TRepairProcedure::PutBack(const std::string& fileName, const TCredentials& credentials) {
    BeginStep(TRepairStep::Recovery);
    const std::string source = TransientCopy(fileName, "okuma");
    int status = 0;
    try {
        tools_.CopyFileKeepingOriginal(report_.keptCopy, source);
        report_.recovery = tools_.PutBackLostData(
            source, fileName, credentials,
            [this](const std::string& line) { Output(TRepairStep::Recovery, line); });
        NameKeptCopy(report_.recovery->tables, source, report_.keptCopy);
    } catch (const Exception& error) {
        Output(TRepairStep::Recovery, std::string("Geri yazılamadı: ") + error.what());
        status = 1;
    } catch (const std::exception& error) {
        Output(TRepairStep::Recovery, std::string("Geri yazılamadı: ") + error.what());
        status = 1;
    }
    tools_.DeleteFile(source);
    EndStep(status);
    if (report_.recovery) {
        CountAfter(fileName, credentials, true);
    }
}

// "Özgün dosyadan geri yazılan: 3 kayıt, 170 blob değeri" and the tables whose losses could
// not be matched, one per line; empty when nothing was written back or refused.
std::string TRepairProcedure::PutBackLines() const {
    if (!report_.recovery) {
        return {};
    }
    const auto [rows, blobs] = Written(report_.recovery->tables);
    std::string lines;
    for (const TTableRecovery& table : report_.recovery->tables) {
        if (table.noUniqueKey) {
            lines += std::string(kCrLf) + table.table +
                     ": benzersiz anahtarı olmadığından kayıpları geri yazılamadı";
        }
    }
    if (rows + blobs > 0) {
        lines = std::string(kCrLf) + "Özgün dosyadan geri yazılan: " + std::to_string(rows) +
                " kayıt, " + std::to_string(blobs) + " blob değeri" + lines;
    }
    return lines;
}

// When gbak cannot back the database up: a new database beside it, built from its metadata and
// every row that can still be read from a transient copy of the kept original. The damaged
// database stays where it is.
TRepairOutcome TRepairProcedure::Salvage(const std::string& fileName, const std::string& gbak,
                                         const TCredentials& credentials,
                                         const std::string& backupFailure) {
    const auto [stem, extension] = StemAndExtension(fileName);
    std::string target = stem + ".kurtarilan" + extension;
    if (tools_.FileExists(target)) {
        target = stem + ".kurtarilan-" + stamp_ + extension;
    }
    BeginStep(TRepairStep::Salvage);
    const std::string source = TransientCopy(fileName, "kurtarma");
    const auto progress = [this](const std::string& line) { Output(TRepairStep::Salvage, line); };
    const TGbakRunner runGbak = [&](const std::vector<std::string>& arguments) {
        std::string commandLine = gbak;
        for (const std::string& argument : arguments) {
            commandLine += " " + QuoteCommandLineArgument(argument);
        }
        TGbakRun run;
        run.exitCode = tools_.RunTool(commandLine,
                                      {{"ISC_USER", credentials.user}, {"ISC_PASSWORD", credentials.password}},
                                      [&](const std::string& line) {
                                          run.output += line + "\n";
                                          progress(line);
                                      });
        return run;
    };
    std::string failure;
    try {
        tools_.CopyFileKeepingOriginal(report_.keptCopy, source);
        report_.salvage = tools_.SalvageDatabase(source, target, credentials, runGbak, progress);
        NameKeptCopy(report_.salvage->tables, source, report_.keptCopy);
        report_.salvaged = target;
    } catch (const std::exception& error) {
        failure = error.what();
        Output(TRepairStep::Salvage, "Kurtarılamadı: " + failure);
    }
    tools_.DeleteFile(source);
    EndStep(failure.empty() ? 0 : 1);
    if (!failure.empty()) {
        return Finish(TRepairOutcome::BackupFailed,
                      backupFailure + kCrLf + "Okunabilen veriler de kurtarılamadı: " + failure,
                      kInformation);
    }
    const std::string report =
        Validate(TRepairStep::SecondValidation, "USER_NAME=SYSDBA", "PASSWORD=" + credentials.password,
                 target);
    CountAfter(target, credentials, true);
    const auto [rows, blobs] = Written(report_.salvage->tables);
    std::string text = "Veri Tabanının yedeği alınamadı; okunabilen veriler yeni bir veri "
                       "tabanına kurtarıldı:" + std::string(kCrLf) + target + kCrLf +
                       "Hasarlı veri tabanı yerinde bırakıldı: " + fileName + kCrLf +
                       "Kurtarılan: " + std::to_string(rows) + " kayıt, " +
                       std::to_string(blobs) + " blob değeri";
    if (report_.losses.Any()) {
        text += std::string(kCrLf) + "Kurtarılamayan:" + kCrLf + LossLines(report_.losses);
    }
    for (const std::string& index : report_.salvage->inactiveIndexes) {
        text += std::string(kCrLf) + "Etkinleştirilemeyen dizin: " + index;
    }
    for (const std::string& trigger : report_.salvage->inactiveTriggers) {
        text += std::string(kCrLf) + "Etkinleştirilemeyen tetikleyici: " + trigger;
    }
    if (!report.empty()) {
        text += std::string(kCrLf) + "Yeni veri tabanının doğrulaması hata bildirdi.";
    }
    return Finish(TRepairOutcome::Salvaged, text, kWarning);
}

void TRepairProcedure::CountAfter(const std::string& fileName, const TCredentials& credentials,
                                  bool afterPutBack) {
    if (!report_.before) {
        // Nothing to compare with (the loss is already "unknown"), but what gbak said it
        // skipped is lost for certain.
        report_.losses.tables = CompareCensus({}, {}, report_.skippedBlobs).tables;
        return;
    }
    BeginStep(TRepairStep::Accounting);
    int status = 0;
    try {
        report_.after = tools_.TakeCensus(fileName, credentials);
        // Once lost values were written back, the count alone says what is still missing.
        TLosses losses = CompareCensus(*report_.before, *report_.after,
                                       afterPutBack ? TSkippedBlobs{} : report_.skippedBlobs);
        report_.losses.tables = std::move(losses.tables);
    } catch (const Exception& error) {
        report_.losses.uncounted = error.what();
        Output(TRepairStep::Accounting, std::string("Sayılamadı: ") + error.what());
        status = 1;
    }
    EndStep(status);
}

// Pre-flight of the file itself: nothing has been asked or changed yet.
TRepairOutcome TRepairProcedure::CheckDatabaseFile(const std::string& fileName) {
    const TDatabaseFileFacts facts = tools_.InspectDatabaseFile(fileName);
    using Content = TDatabaseFileFacts::Content;
    const std::string start = fileName + kCrLf;
    const std::string notStarted = "Onarım başlatılmadı; ";
    const auto refuse = [this](TRepairOutcome outcome, const std::string& text,
                               const std::string& caption) {
        Tell(text, caption);
        return outcome;
    };
    switch (facts.content) {
    case Content::Database: break;
    case Content::Empty:
        return refuse(TRepairOutcome::NotADatabase,
                      start + "Veri Tabanı dosyası boş; onarılacak bir şey yok...", kInformation);
    case Content::NotDatabase:
        return refuse(TRepairOutcome::NotADatabase,
                      start + "bir Firebird ya da InterBase veri tabanı dosyası değil...",
                      kInformation);
    case Content::Unreadable:
        return refuse(TRepairOutcome::PreflightRefused,
                      start + "Veri Tabanı dosyası okunamıyor. " + notStarted +
                          "dosyanın okuma iznini kontrol ediniz.",
                      kWarning);
    }
    if (facts.readOnlyFileSystem) {
        return refuse(TRepairOutcome::PreflightRefused,
                      start + "Veri Tabanı salt okunur bir dosya sisteminde. " + notStarted +
                          "dosyayı yazılabilir bir yere kopyalayıp onu onarınız.",
                      kWarning);
    }
    if (!facts.writable) {
        return refuse(TRepairOutcome::PreflightRefused,
                      start + "Veri Tabanı dosyasına yazılamıyor. " + notStarted +
                          "dosyanın yazma iznini kontrol ediniz.",
                      kWarning);
    }
    if (!facts.folderWritable) {
        return refuse(TRepairOutcome::PreflightRefused,
                      start + "Veri Tabanının bulunduğu klasöre dosya yazılamıyor. " + notStarted +
                          "klasörün yazma iznini kontrol ediniz.",
                      kWarning);
    }
    const std::uint64_t needed = RequiredFreeBytes(facts.size, options_.keepCopy);
    if (facts.freeBytes < needed) {
        return refuse(TRepairOutcome::PreflightRefused,
                      "Onarım için diskte yeterli boş yer yok: yaklaşık " + Megabytes(needed) +
                          " gerekiyor, " + Megabytes(facts.freeBytes) + " boş." + kCrLf +
                          notStarted + "yer açıp tekrar deneyiniz.",
                      kWarning);
    }
    return TRepairOutcome::Repaired; // no refusal
}

// Whether another attachment holds the database. A failure to find out (the database cannot
// be attached for some other reason) removes the copy made for nothing before it goes on.
bool TRepairProcedure::InUse(const std::string& fileName, const TCredentials& credentials) {
    try {
        return tools_.DatabaseInUse(fileName, credentials);
    } catch (...) {
        if (!report_.keptCopy.empty()) {
            tools_.DeleteFile(report_.keptCopy);
            report_.keptCopy.clear();
        }
        throw;
    }
}

TRepairOutcome TRepairProcedure::Run(TServerKind serverKind) {
    report_ = {};
    reportPath_.clear();
    report_.started = options_.clock();
    stamp_ = LocalTimeText(report_.started, "%Y%m%d-%H%M%S");

    if (fileNameBox_.Text().empty()) {
        Tell("Veri Tabanını belirtmelisiniz...", kInformation);
        return TRepairOutcome::NoDatabaseNamed;
    }
    const std::string fileName = fileNameBox_.FileName();
    report_.database = fileName;
    if (!tools_.FileExists(fileName)) {
        Tell(fileName + kCrLf + "isimi veri Tabanı bulunamadı...", kInformation);
        return TRepairOutcome::DatabaseNotFound;
    }
    if (const TRepairOutcome refusal = CheckDatabaseFile(fileName);
        refusal != TRepairOutcome::Repaired) {
        return refusal;
    }
    const std::string password = operator_.ShowPasswordDialog();
    if (password.empty()) {
        return TRepairOutcome::Cancelled;
    }
    // The copy comes first: looking for other attachments attaches, and an attachment rewrites
    // the database's header page, so the copy would no longer be the file as it was.
    if (options_.keepCopy) {
        KeepCopy(fileName);
    }
    const TCredentials credentials{kUser, password};
    if (InUse(fileName, credentials)) {
        if (!report_.keptCopy.empty()) {
            tools_.DeleteFile(report_.keptCopy);
        }
        Tell(fileName + kCrLf +
                 "Veri Tabanına başka bağlantılar var. Onarım başlatılmadı; diğer kullanıcıların "
                 "bağlantılarını kesip tekrar deneyiniz.",
             kWarning);
        return TRepairOutcome::PreflightRefused;
    }
    if (!options_.keepCopy) {
        CountBefore(fileName, credentials);
    }
    service_.SetActive(false);
    service_.Params().Clear();
    std::string report;
    try {
        report = Validate(TRepairStep::FirstValidation, "user_name=SYSDBA", "password=" + password,
                          fileName);
    } catch (const EIBInterBaseError& error) {
        if (report_.keptCopy.empty()) {
            throw;
        }
        if (!validationBegan_) {
            // Refused at the attach (a wrong password, say): nothing was changed.
            tools_.DeleteFile(report_.keptCopy);
            report_.keptCopy.clear();
            throw;
        }
        // The validation may have begun to mend: the copy stays, and the error names it.
        throw EIBInterBaseError(error.SqlErrorCode(), error.StatusErrorCode(),
                                error.Message() + kCrLf + "Özgün dosyanın kopyası: " +
                                    report_.keptCopy,
                                error.StatusCodes());
    }

    // Read before the report is looked at, so a registry fault shows for a sound database too.
    std::string toolDir;
    switch (serverKind) {
    case TServerKind::Firebird: toolDir = tools_.FirebirdToolDir(); break;
    case TServerKind::InterBase: toolDir = tools_.InterBaseToolDir(); break;
    }
    if (report.empty()) {
        // Nothing was changed: the copy has nothing to keep.
        if (!report_.keptCopy.empty()) {
            tools_.DeleteFile(report_.keptCopy);
            report_.keptCopy.clear();
        }
        Tell(fileName + " Veri Tabanında hata bulunamadı...", kInformation);
        return TRepairOutcome::Sound;
    }
    return Repair(fileName, password, toolDir);
}

TRepairOutcome TRepairProcedure::Repair(const std::string& fileName, const std::string& password,
                                        const std::string& toolDir) {
    const std::string quotedDatabase = Quoted(fileName);
    const std::string backupPath = DirectoryPrefix(fileName) + kBackupFileName;
    const std::string quotedBackup = Quoted(backupPath);
    const std::string gfix = toolDir + std::string(kGfixPathSuffix);
    const std::string gbak = toolDir + std::string(kGbakPathSuffix);
    if (!RequireTool(gfix) || !RequireTool(gbak)) {
        return TRepairOutcome::ToolMissing;
    }
    // The backup's name is fixed: never overwrite (and later delete) a file we did not write.
    if (tools_.FileExists(backupPath)) {
        return Finish(TRepairOutcome::BackupFileExists,
                      "Onarım için kullanılacak " + backupPath + " dosyası zaten var." + kCrLf +
                          "Bu dosyanın üzerine yazılmaması için onarım başlatılmadı; lütfen "
                          "dosyayı taşıyıp tekrar deneyiniz.",
                      kWarning);
    }
    const TCredentials credentials{kUser, password};
    if (options_.keepCopy) {
        StartCountBefore(fileName, credentials);
    }
    // A run that leaves early (an error of a tool's start) still waits for the count.
    struct TCountJoin {
        std::future<TCountBefore>& count;
        ~TCountJoin() {
            if (count.valid()) {
                count.wait();
                count = {};
            }
        }
    } countJoin{countBefore_};

    TToolOutputReader toolOutput;
    operator_.SetCursor(TAppCursor::Busy);
    RunTool(TRepairStep::FullValidation, gfix + " -V -FULL " + quotedDatabase, password);
    for (const std::string& line : report_.steps.back().output) {
        toolOutput.ValidationLine(line);
    }
    const int backupExit =
        RunTool(TRepairStep::Backup, gbak + " -B -V " + quotedDatabase + " " + quotedBackup, password);
    for (const std::string& line : report_.steps.back().output) {
        toolOutput.BackupLine(line);
    }
    FinishCountBefore();
    if (backupExit != 0 || !tools_.FileExists(backupPath)) {
        tools_.DeleteFile(backupPath);
        operator_.SetCursor(TAppCursor::HandPoint);
        KeepToolFindings(toolOutput.Summary());
        const std::string failure = std::string("Veri Tabanının yedeği alınamadı; veri tabanı "
                                                "dosyası yedekten geri yüklenmedi.") +
                                    kCrLf + kContactSupport;
        if (report_.keptCopy.empty()) {
            return Finish(TRepairOutcome::BackupFailed, failure, kInformation);
        }
        return Salvage(fileName, gbak, credentials, failure);
    }
    const int restoreExit = RunTool(
        TRepairStep::Restore, gbak + " -REP -O -V " + quotedBackup + " " + quotedDatabase, password);
    for (const std::string& line : report_.steps.back().output) {
        toolOutput.RestoreLine(line);
    }
    KeepToolFindings(toolOutput.Summary());
    if (restoreExit != 0) {
        operator_.SetCursor(TAppCursor::HandPoint);
        return Finish(TRepairOutcome::RestoreFailed,
                      std::string("Yedekten geri yükleme tamamlanamadı. Yedek dosyası silinmedi:") +
                          kCrLf + backupPath + kCrLf + kContactSupport,
                      kInformation);
    }
    tools_.DeleteFile(backupPath);
    operator_.SetCursor(TAppCursor::HandPoint);

    const std::string secondReport = Validate(TRepairStep::SecondValidation, "USER_NAME=SYSDBA",
                                              "PASSWORD=" + password, fileName);
    CountAfter(fileName, credentials);
    if (report_.losses.Any() && report_.before && !report_.keptCopy.empty()) {
        PutBack(fileName, credentials);
    }
    if (!secondReport.empty()) {
        std::string text = std::string("Veri Tabanı düzeltme işlemi tamamlanamadı...") + kCrLf +
                           kContactSupport;
        if (report_.losses.Any()) {
            text += kCrLf + LossLines(report_.losses);
        }
        return Finish(TRepairOutcome::NotRepaired, text, kInformation);
    }
    if (report_.losses.Any()) {
        return Finish(TRepairOutcome::RepairedWithLosses,
                      std::string("Veri Tabanı onarıldı, ancak bazı veriler kurtarılamadı...") +
                          kCrLf + LossLines(report_.losses) + PutBackLines(),
                      kWarning);
    }
    return Finish(TRepairOutcome::Repaired,
                  "Veri Tabanı düzeltme işlemi tamamlandı..." + PutBackLines(), kInformation);
}

} // namespace onarim
