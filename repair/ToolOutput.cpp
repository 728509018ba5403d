#include "repair/ToolOutput.h"

#include <algorithm>
#include <string_view>

namespace onarim {

namespace {

constexpr std::string_view kGbakPrefix = "gbak:";
constexpr std::string_view kError = "ERROR:";
constexpr std::string_view kWarning = "WARNING:";
constexpr std::string_view kBackupTable = "writing data for table ";
constexpr std::string_view kRestoreTable = "restoring data for table ";
constexpr std::string_view kWritten = " records written";
constexpr std::string_view kRestored = " records restored";
constexpr std::string_view kBlobErrorStart = "error accessing BLOB column ";
constexpr std::string_view kBlobErrorEnd = " -- continuing";
constexpr std::string_view kValidationSummary = "Summary of validation errors";
constexpr std::string_view kValidationCount = "Number of ";

// More digits than this could overflow a 64-bit count: such a line is no count of gbak's.
constexpr std::size_t kMaxCountDigits = 18;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool StartsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// "N records written" (with `suffix` " records written") gives N.
std::optional<std::int64_t> Count(std::string_view text, std::string_view suffix) {
    if (!EndsWith(text, suffix)) {
        return std::nullopt;
    }
    const std::string_view digits = text.substr(0, text.size() - suffix.size());
    if (digits.empty() || digits.size() > kMaxCountDigits ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    std::int64_t count = 0;
    for (const char digit : digits) {
        count = count * 10 + (digit - '0');
    }
    return count;
}

} // namespace

TTableTransfer& TToolOutputReader::Table(const std::string& name) {
    const auto [entry, added] = tableIndex_.try_emplace(name, summary_.tables.size());
    if (added) {
        summary_.tables.push_back(TTableTransfer{name, std::nullopt, std::nullopt, {}});
    }
    return summary_.tables[entry->second];
}

void TToolOutputReader::AddError(TToolStep step, bool warning, std::string message) {
    ErrorKey key{step, warning, std::move(message)};
    if (const auto found = errorIndex_.find(key); found != errorIndex_.end()) {
        ++summary_.errors[found->second].count;
    } else if (summary_.errors.size() < kMaxErrors) {
        summary_.errors.push_back(TToolError{step, warning, std::get<2>(key), 1});
        errorIndex_.emplace(std::move(key), summary_.errors.size() - 1);
    } else {
        ++summary_.errorLinesNotKept;
    }
}

// "gbak: ERROR:..." and "gbak: WARNING:..." (the marker after one blank).
bool TToolOutputReader::ReadMessage(TToolStep step, std::string_view rest) {
    for (const auto& [marker, warning] : {std::pair{kError, false}, std::pair{kWarning, true}}) {
        if (StartsWith(rest, marker)) {
            AddError(step, warning, std::string(Trim(rest.substr(marker.size()))));
            return true;
        }
    }
    return false;
}

void TToolOutputReader::ValidationLine(const std::string& line) {
    const std::string_view text = Trim(line);
    if (text.empty()) {
        return;
    }
    if (summary_.validationReport.size() < kMaxValidationLines) {
        summary_.validationReport.emplace_back(text);
    }
    if (text == kValidationSummary || StartsWith(text, kValidationCount)) {
        return;
    }
    // Further lines of one error start with '-', as the client library prints them.
    AddError(TToolStep::Validation, false,
             std::string(Trim(StartsWith(text, "-") ? text.substr(1) : text)));
}

std::optional<std::string_view> TToolOutputReader::GbakBody(TToolStep step,
                                                            const std::string& line) {
    const std::string_view text = line;
    if (!StartsWith(text, kGbakPrefix)) {
        return std::nullopt;
    }
    const std::string_view body = Trim(text.substr(kGbakPrefix.size()));
    if (ReadMessage(step, body)) {
        return std::nullopt;
    }
    return body;
}

bool TToolOutputReader::ReadTransfer(std::string_view body, std::string_view tableStart,
                                     std::string_view countEnd, std::optional<std::string>& table,
                                     std::optional<std::int64_t> TTableTransfer::*count) {
    if (StartsWith(body, tableStart)) {
        table = std::string(Trim(body.substr(tableStart.size())));
        Table(*table);
        return true;
    }
    const auto records = Count(body, countEnd);
    if (records && table) {
        Table(*table).*count = *records;
    }
    return records.has_value();
}

void TToolOutputReader::BackupLine(const std::string& line) {
    const auto body = GbakBody(TToolStep::Backup, line);
    if (!body ||
        ReadTransfer(*body, kBackupTable, kWritten, backupTable_, &TTableTransfer::written)) {
        return;
    }
    const std::string_view rest = *body;
    if (rest.size() >= kBlobErrorStart.size() + kBlobErrorEnd.size() &&
        StartsWith(rest, kBlobErrorStart) && EndsWith(rest, kBlobErrorEnd)) {
        const std::string_view column = rest.substr(
            kBlobErrorStart.size(), rest.size() - kBlobErrorStart.size() - kBlobErrorEnd.size());
        ++Table(backupTable_.value_or(std::string())).blobErrors[std::string(column)];
    }
}

void TToolOutputReader::RestoreLine(const std::string& line) {
    if (const auto body = GbakBody(TToolStep::Restore, line)) {
        ReadTransfer(*body, kRestoreTable, kRestored, restoreTable_, &TTableTransfer::restored);
    }
}

void TToolOutputReader::ForgetTransfers() {
    std::erase_if(summary_.errors,
                  [](const TToolError& error) { return error.step != TToolStep::Validation; });
    errorIndex_.clear();
    for (std::size_t index = 0; index < summary_.errors.size(); ++index) {
        const TToolError& error = summary_.errors[index];
        errorIndex_.emplace(ErrorKey{error.step, error.warning, error.message}, index);
    }
    summary_.tables.clear();
    tableIndex_.clear();
    backupTable_.reset();
    restoreTable_.reset();
}

const TTableTransfer* FindTable(const TToolOutputSummary& summary, const std::string& table) {
    const auto found = std::find_if(summary.tables.begin(), summary.tables.end(),
                                    [&](const TTableTransfer& t) { return t.table == table; });
    return found == summary.tables.end() ? nullptr : &*found;
}

} // namespace onarim
