#include "repair/RepairProcedure.h"

#include "repair/RepairMessages.h"
#include "repair/RepairRun.h"
#include "platform/Exception.h"

// The procedure's report: what it records of the tools, the report file it keeps while the
// run goes on, and the closing message.
namespace onarim {

using namespace messages;

// gbak's "N records written" against the count before the repair: a backup that wrote fewer
// rows than the table held lost them, whatever its exit status.
void TRepairProcedure::NoteRowsTheBackupMissed(const TToolOutputSummary& summary) {
    if (!report_.before) {
        return;
    }
    for (const TTableCensus& table : report_.before->tables) {
        const TTableTransfer* transfer = FindTable(summary, table.table);
        if (table.rows && transfer != nullptr && transfer->written &&
            *transfer->written < *table.rows) {
            report_.backupRowsMissing[table.table] = *table.rows - *transfer->written;
        }
    }
}

// Every output line of the last run of `step`.
std::vector<std::string> TRepairProcedure::OutputOf(TRepairStep step) const {
    for (auto record = report_.steps.rbegin(); record != report_.steps.rend(); ++record) {
        if (record->step == step) {
            return record->output;
        }
    }
    return {};
}

bool TRepairProcedure::RequireTool(const std::string& path) {
    if (tools_.FileExists(path)) {
        return true;
    }
    Finish(TRepairOutcome::ToolMissing, ToolMissing(path), kWarning);
    return false;
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

// A file is named in the report before it is made, so that a run killed while making it
// leaves a report that names it.
void TRepairProcedure::NoteFile(const TRunFile& file) {
    report_.files.push_back(file);
    SaveReport();
}

// The report as the run stands. A report that cannot be written now is written at the end or
// said to be unwritable then; the run goes on.
void TRepairProcedure::SaveReport() noexcept {
    if (journalPath_.empty()) {
        return;
    }
    try {
        tools_.WriteTextFile(journalPath_, ReportToJson(report_));
    } catch (...) {
    }
}

// An error ends the run. A run that changed nothing leaves no report; one that kept the copy
// (the validation began) leaves its report, with the error as its message.
void TRepairProcedure::EndAfterError(const std::string& error) noexcept {
    if (journalPath_.empty()) {
        return;
    }
    try {
        if (report_.keptCopy.empty()) {
            tools_.DeleteFile(journalPath_);
            return;
        }
        report_.outcome = "error";
        report_.message = error;
        report_.ended = options_.clock();
        SaveReport();
        reportPath_ = journalPath_;
    } catch (...) {
    }
}

TRepairOutcome TRepairProcedure::Tell(TRepairOutcome outcome, const std::string& text,
                                      const std::string& caption) {
    operator_.ShowMessage(text, caption, TMessageIcon::Information, ReportDetails(report_));
    return outcome;
}

// Ends a run that got as far as changing something: the message names the kept copy, and the
// report goes beside the database.
TRepairOutcome TRepairProcedure::Finish(TRepairOutcome outcome, const std::string& text,
                                        const std::string& caption) {
    std::string message = text;
    for (const auto& [table, rows] : report_.backupRowsMissing) {
        message += BackupRowsMissing(table, rows);
    }
    if (!report_.pageMends.empty()) {
        message += PagesMended(report_.pageMends.size());
    }
    for (const std::string& line : report_.earlierRun) {
        message += kCrLf + line;
    }
    if (!report_.keptCopy.empty()) {
        message += KeptCopyLine(report_.keptCopy);
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
        message += ReportNotWritten(ReasonOf(error));
    }
    return Tell(outcome, message, caption);
}

} // namespace onarim
