#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "recovery/LostDataRecovery.h"
#include "recovery/Salvage.h"
#include "repair/Losses.h"

// Every text the repair tells the operator, in one place. Lines are joined with CR LF, as the
// message boxes show them.
namespace onarim::messages {

inline constexpr const char* kCrLf = "\r\n";
inline constexpr const char* kInformation = "Bilgi";
inline constexpr const char* kWarning = "Dikkat";
inline constexpr const char* kContactSupport = "Lütfen BELVANOX Merkez ile irtibata geçiniz...";

std::string NoDatabaseNamed();
std::string DatabaseNotFound(const std::string& fileName);
std::string NoErrorsFound(const std::string& fileName);
std::string ToolMissing(const std::string& toolPath);
std::string BackupFileExists(const std::string& backupPath);

// What the pre-flight found wrong with the file or its folder.
enum class TFileRefusal {
    Empty,
    NotADatabase,
    Unreadable,
    ReadOnlyFileSystem,
    NotWritable,
    FolderNotWritable,
    InUse, // another attachment holds the database
};
// The refusal for the operator: the file's name, what is wrong and what to do.
std::string FileRefusal(TFileRefusal refusal, const std::string& fileName);
std::string NotEnoughSpace(std::uint64_t neededBytes, std::uint64_t freeBytes);

std::string BackupFailed();
std::string RestoreFailed(const std::string& backupPath);
std::string NotRepaired(const TLosses& losses, const std::string& restoredBeside);
std::string Repaired(const TRecoveryResult* putBack);
std::string RepairedWithLosses(const TLosses& losses, const TRecoveryResult* putBack);
std::string SalvageFailed(const std::string& backupFailure, const std::string& reason);
// What the salvage made; `afterRestore`: the restore failed, not the backup.
std::string Salvaged(bool afterRestore, const std::string& target, const std::string& damaged,
                     const TSalvageResult& salvage, const TLosses& losses, bool validationFailed);
// A table of which gbak's backup wrote fewer rows than the count before the repair found.
std::string BackupRowsMissing(const std::string& table, std::int64_t rows);

// The run was asked to stop: what it left where.
std::string Interrupted(int signal);
// Another repair of the same database still runs.
std::string RepairRunning(const std::string& fileName, long pid, const std::string& reportPath);
// What an earlier run that never ended left, for the closing message and the report.
std::string EarlierRunFound(const std::string& reportPath, const std::string& lastStep);
std::string EarlierRunFileRemoved(const std::string& path);
std::string EarlierRunEnded();
std::string EarlierKeptCopyTakenOver(const std::string& keptCopy);

// The engine working in a process of its own stood still, or ended without a result.
std::string EngineStalled(std::chrono::milliseconds stillness);
std::string EngineFailed(int status, const std::string& output);

// The system's reason for a failed file operation, in Turkish words where it is a common one
// (a full disk, an I/O error, no permission), else in the system's own.
std::string SystemReason(int code);
// What went wrong, for the operator: a failed file operation as its file and the system's
// reason in Turkish words, anything else as the error's own text.
std::string ReasonOf(const std::exception& error);
// The kept copy could not be made: nothing was changed.
std::string CopyNotMade(const std::string& reason);
// A step's failure with the system's reason, as a line after the step's message.
std::string BecauseOf(const std::string& reason);
// Why a tool failed, when its output names a reason of the system (a full disk): that reason in
// Turkish words, "" when it names none.
std::string ToolFailureReason(const std::vector<std::string>& output);

// The page check: a line per page written, and what it could not do.
inline constexpr const char* kUnreadablePointerPage = "okunamayan işaretçi sayfası";
std::string RebuiltPointerPage(unsigned relation, unsigned sequence, unsigned dataPages);
std::string PageMendLine(std::uint32_t page, const std::string& was, const std::string& written,
                         const std::string& reason);
std::string PageLeftAlone(std::uint32_t page, const std::string& why);
std::string PagesNotRead(const std::string& reason);
std::string PagesNotJudged(const std::string& reason);
std::string PagesNotWritten(const std::string& reason);
std::string PagesNeedACopy(std::size_t pages);
// The closing message's line for the pages the check wrote.
std::string PagesMended(std::size_t pages);

// The line every closing message of a run that kept the original ends with.
std::string KeptCopyLine(const std::string& keptCopy);
std::string ReportNotWritten(const std::string& reason);

// Output lines of steps that failed at their own work: the prefix, then the reason.
inline constexpr const char* kNotCounted = "Sayılamadı: ";
inline constexpr const char* kNotPutBack = "Geri yazılamadı: ";
inline constexpr const char* kNotSalvaged = "Kurtarılamadı: ";
std::string RestOfReportUnreadable(const std::string& reason);
// onarim-validate ended in a way it has no status for.
std::string ValidationNotRun(const std::string& program, int status, const std::string& output);

// "Özgün dosyadan geri yazılan: 3 kayıt, 170 blob değeri" and the tables whose losses could
// not be matched, one per line, each after a line break; empty when nothing was written back
// or refused.
std::string PutBackLines(const TRecoveryResult* putBack);

// A line for each constraint that rows written break ("SALES.INTEG_80 kısıtına uymayan 3
// kayıt silinmeden yazıldı") and each CHECK that could not be made again or counted, each after
// a line break; empty when there is none.
std::string ConstraintLines(const std::map<std::string, std::int64_t>& violations,
                            const std::vector<std::string>& problems);

// Rows and blob values written, over all tables.
std::pair<std::int64_t, std::int64_t> Written(const std::vector<TTableRecovery>& tables);

} // namespace onarim::messages
