#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

// What the server's tools said while they repaired a database, read from their output lines:
// gfix's full validation, then gbak's backup and restore, both run with -V (verbose). Pure text
// to data; the lines may be of any language or shape (a tool of another version, a damaged
// database's names), and a line not understood is passed over.
namespace onarim {

// What one table went through in the backup and the restore.
struct TTableTransfer {
    std::string table; // as gbak prints it: without quotes, blanks and letters kept
    // The backup's last "N records written" for the table; none when the backup never got to
    // its data.
    std::optional<std::int64_t> written;
    // The restore's last "N records restored"; none when the restore never got to the table's
    // data, which is also the case for a table that had no rows to restore.
    std::optional<std::int64_t> restored;
    // Column -> how many of its blob values the backup could not read ("error accessing BLOB
    // column C -- continuing"): written as empty values, so lost though the row is kept. (Such
    // a line before any "writing data for table" counts for a table of empty name.)
    std::map<std::string, std::int64_t> blobErrors;
};

enum class TToolStep { Validation, Backup, Restore };

// One error or warning message of a step, with how often the step printed it.
struct TToolError {
    TToolStep step = TToolStep::Validation;
    bool warning = false; // "gbak: WARNING:" rather than "gbak: ERROR:"
    std::string message;  // the text after the tool's marker, without surrounding blanks
    std::int64_t count = 1;
};

struct TToolOutputSummary {
    std::vector<TTableTransfer> tables; // in the order the tools first named them
    std::vector<TToolError> errors;     // each distinct message once, in order of first sight
    std::int64_t errorLinesNotKept = 0; // lines whose message came after kMaxErrors others
    // The full validation's lines (its summary of errors, or why it could not validate), blank
    // lines left out; empty when it found nothing.
    std::vector<std::string> validationReport;
};

// Bounds on what is kept from output of any length: a damaged database can make a tool print
// a distinct message per page or row.
inline constexpr std::size_t kMaxErrors = 1000;
inline constexpr std::size_t kMaxValidationLines = 1000;

// Reads the lines of the three tool runs, fed in the order they are printed: the validation's,
// then the backup's, then the restore's. Never raises on what a line holds.
class TToolOutputReader {
public:
    // A line of gfix -V -FULL. Lines that are not its summary of validation errors ("Summary
    // of validation errors", "Number of ... : N") are errors of the validation, such as
    // 'I/O error during "read" operation for file ...' and '-File size is less than expected'.
    void ValidationLine(const std::string& line);
    // A line of gbak -B -V: "gbak:    writing data for table T", "gbak:N records written",
    // "gbak:error accessing BLOB column C -- continuing", "gbak: ERROR:...", "gbak: WARNING:...".
    void BackupLine(const std::string& line);
    // A line of gbak -REP -O -V: "gbak:restoring data for table T", "gbak:   N records
    // restored", "gbak: ERROR:...", "gbak: WARNING:...".
    void RestoreLine(const std::string& line);

    const TToolOutputSummary& Summary() const { return summary_; }
    // Forgets what backups and restores said (tables, their errors); the validation's stays.
    void ForgetTransfers();

private:
    TTableTransfer& Table(const std::string& name);
    // The text after "gbak:", without surrounding blanks; nothing for a line that is not
    // gbak's, or for an error or warning, which is taken in passing.
    std::optional<std::string_view> GbakBody(TToolStep step, const std::string& line);
    // "... data for table T" makes T the table whose counts follow; "N records ..." is its
    // count. True when the line was one of them.
    bool ReadTransfer(std::string_view body, std::string_view tableStart, std::string_view countEnd,
                      std::optional<std::string>& table,
                      std::optional<std::int64_t> TTableTransfer::*count);
    bool ReadMessage(TToolStep step, std::string_view text);
    void AddError(TToolStep step, bool warning, std::string message);

    using ErrorKey = std::tuple<TToolStep, bool, std::string>;

    TToolOutputSummary summary_;
    std::map<std::string, std::size_t> tableIndex_;
    std::map<ErrorKey, std::size_t> errorIndex_;
    std::optional<std::string> backupTable_;  // whose data the backup is writing
    std::optional<std::string> restoreTable_; // whose data the restore is restoring
};

// The table named `table` in the summary, or null.
const TTableTransfer* FindTable(const TToolOutputSummary& summary, const std::string& table);

} // namespace onarim
