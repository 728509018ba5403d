#pragma once

#include <cstdint>
#include <string>
#include <utility>

// The names of the files a repair makes beside the database, and the room they take.
namespace onarim {

// Name of the temporary backup written beside the database.
inline constexpr const char* kBackupFileName = "BACKUP.GBK";

// Everything up to and including the last path separator of `fileName`; empty without one.
std::string DirectoryPrefix(const std::string& fileName);

// The file's own name split at its last full stop: "/a/B.FDB" gives "/a/B" and ".FDB"; a name
// without one (or whose only full stop starts it) has no extension.
std::pair<std::string, std::string> StemAndExtension(const std::string& fileName);

// `<directory>BACKUP.GBK`: the backup beside the database.
std::string BackupFileName(const std::string& fileName);

// `<stem>.onarim-<stamp><extension>` beside `fileName`: the kept copy.
std::string KeptCopyName(const std::string& fileName, const std::string& stamp);

// `<stem>.onarim-<stamp>.json` beside `fileName`: the report.
std::string ReportFileName(const std::string& fileName, const std::string& stamp);

// `<stem>.onarim-<stamp>-<purpose><extension>`: a transient copy of the kept original, made
// for one purpose ("sayim", "okuma", "kurtarma") and removed when it is served.
std::string TransientCopyName(const std::string& fileName, const std::string& stamp,
                              const std::string& purpose);

// `<stem>.onarim-<stamp>-geri<extension>` beside `fileName`: where gbak restores the backup, a
// new file that replaces the database only once it validated.
std::string RestoredFileName(const std::string& fileName, const std::string& stamp);

// `<stem>.kurtarilan<extension>`, or `<stem>.kurtarilan-<stamp><extension>` when
// `firstChoiceTaken`: where a salvage builds its new database.
std::string SalvageTargetName(const std::string& fileName, const std::string& stamp,
                              bool firstChoiceTaken);

// Free space a repair needs beside a database of `databaseSize` bytes: the kept copy and, for
// the count before the repair, a transient second copy beside the backup (it is removed before
// the restore starts), then the backup and the restored database side by side, as gbak writes
// them. gbak's backup is usually smaller than the database and the restored database no
// larger, so the database's size stands for each: 3 x the size with a kept copy, 2 x without.
std::uint64_t RequiredFreeBytes(std::uint64_t databaseSize, bool keepCopy);

} // namespace onarim
