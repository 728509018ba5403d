#include "repair/RepairReport.h"

#include <ctime>

#include <nlohmann/json.hpp>

namespace onarim {

namespace {

using nlohmann::ordered_json;

// Local time with its offset, ISO 8601: "2026-12-09T14:03:07+0300".
constexpr const char* kIsoTime = "%Y-%m-%dT%H:%M:%S%z";

ordered_json OptionalCount(const std::optional<std::int64_t>& count) {
    return count ? ordered_json(*count) : ordered_json(nullptr);
}

ordered_json CensusJson(const std::optional<TDatabaseCensus>& census) {
    if (!census) {
        return nullptr;
    }
    ordered_json tables = ordered_json::array();
    for (const TTableCensus& table : census->tables) {
        ordered_json blobs = ordered_json::object();
        ordered_json unreadable = ordered_json::object();
        for (const TColumnCensus& column : table.blobColumns) {
            blobs[column.column] = OptionalCount(column.nonEmptyBlobs);
            if (column.unreadableBlobs > 0) {
                unreadable[column.column] = column.unreadableBlobs;
            }
        }
        ordered_json entry{
            {"table", table.table}, {"rows", OptionalCount(table.rows)}, {"nonEmptyBlobs", blobs}};
        if (!unreadable.empty()) {
            entry["unreadableBlobs"] = unreadable;
        }
        if (!table.lostRecords.empty()) {
            entry["lostRecords"] = table.lostRecords;
        }
        if (!table.error.empty()) {
            entry["error"] = table.error;
        }
        tables.push_back(entry);
    }
    return tables;
}

// Rows and blob values of `table` that the put-back read from the pages.
std::pair<std::int64_t, std::int64_t> FromPages(const TRepairReport& report,
                                                const std::string& table) {
    if (report.recovery) {
        for (const TTableRecovery& recovered : report.recovery->tables) {
            if (recovered.table == table) {
                return {recovered.rawRows, recovered.rawBlobs};
            }
        }
    }
    return {0, 0};
}

ordered_json LossesJson(const TRepairReport& report) {
    ordered_json tables = ordered_json::array();
    for (const TTableLoss& loss : report.losses.tables) {
        const auto [rawRows, rawBlobs] = FromPages(report, loss.table);
        tables.push_back({{"table", loss.table},
                          {"rowsBefore", OptionalCount(loss.rowsBefore)},
                          {"rowsAfter", OptionalCount(loss.rowsAfter)},
                          {"blobsLost", loss.blobsLost},
                          {"unknown", loss.unknown},
                          {"lostRecords", loss.lostRecords},
                          {"rawRows", rawRows},
                          {"rawBlobs", rawBlobs}});
    }
    return tables;
}

ordered_json TablesJson(const std::vector<TTableRecovery>& tables) {
    ordered_json entries = ordered_json::array();
    for (const TTableRecovery& table : tables) {
        entries.push_back({{"table", table.table},
                           {"rows", table.rowsPutBack},
                           {"blobs", table.blobsPutBack},
                           {"noUniqueKey", table.noUniqueKey},
                           {"arrayValuesLeft", table.arrayValuesLeft},
                           {"rawRows", table.rawRows},
                           {"rawBlobs", table.rawBlobs},
                           {"problems", table.problems}});
    }
    return entries;
}

ordered_json SalvageJson(const TRepairReport& report) {
    if (!report.salvage) {
        return nullptr;
    }
    return {{"database", report.salvaged},
            {"tables", TablesJson(report.salvage->tables)},
            {"inactiveIndexes", report.salvage->inactiveIndexes},
            {"inactiveTriggers", report.salvage->inactiveTriggers},
            {"unsetSequences", report.salvage->unsetSequences}};
}

// Rows written by the salvage or the put-back that break a constraint: constraint -> rows.
ordered_json ConstraintViolationsJson(const TRepairReport& report) {
    ordered_json violations = ordered_json::object();
    const auto add = [&](const std::map<std::string, std::int64_t>& found) {
        for (const auto& [constraint, rows] : found) {
            violations[constraint] = rows;
        }
    };
    if (report.salvage) {
        add(report.salvage->constraintViolations);
    }
    if (report.recovery) {
        add(report.recovery->constraintViolations);
    }
    return violations;
}

// CHECKs the salvage or the put-back could not take out, make again or count.
std::vector<std::string> ConstraintProblems(const TRepairReport& report) {
    std::vector<std::string> problems;
    if (report.salvage) {
        problems = report.salvage->constraintProblems;
    }
    if (report.recovery) {
        problems.insert(problems.end(), report.recovery->constraintProblems.begin(),
                        report.recovery->constraintProblems.end());
    }
    return problems;
}

ordered_json PageMendsJson(const std::vector<TPageMendRecord>& mends) {
    ordered_json entries = ordered_json::array();
    for (const TPageMendRecord& mend : mends) {
        entries.push_back({{"page", mend.page},
                           {"was", mend.was},
                           {"written", mend.written},
                           {"reason", mend.reason}});
    }
    return entries;
}

} // namespace

std::string LocalTimeText(std::chrono::system_clock::time_point time, const char* format) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &local));
}

std::string StepName(TRepairStep step) {
    switch (step) {
    case TRepairStep::KeepCopy:
        return "keep-copy";
    case TRepairStep::PageCheck:
        return "page-check";
    case TRepairStep::FirstValidation:
        return "first-validation";
    case TRepairStep::FullValidation:
        return "full-validation";
    case TRepairStep::Backup:
        return "backup";
    case TRepairStep::Restore:
        return "restore";
    case TRepairStep::SecondValidation:
        return "second-validation";
    case TRepairStep::Accounting:
        return "accounting";
    case TRepairStep::Recovery:
        return "recovery";
    case TRepairStep::Salvage:
        return "salvage";
    }
    return {};
}

std::string ReportToJson(const TRepairReport& report) {
    ordered_json steps = ordered_json::array();
    ordered_json validations = ordered_json::object();
    for (const TStepRecord& step : report.steps) {
        ordered_json entry{{"step", StepName(step.step)}};
        if (!step.commandLine.empty()) {
            entry["commandLine"] = step.commandLine;
        }
        entry["exitStatus"] = step.exitStatus;
        entry["durationMs"] = step.duration.count();
        entry["output"] = step.output;
        steps.push_back(entry);
        if (step.step == TRepairStep::FirstValidation ||
            step.step == TRepairStep::SecondValidation) {
            validations[StepName(step.step)] = step.output;
        }
    }
    ordered_json files = ordered_json::array();
    for (const TRunFile& file : report.files) {
        files.push_back({{"path", file.path}, {"kind", file.kind}});
    }
    const ordered_json document{
        {"database", report.database},
        {"keptCopy",
         report.keptCopy.empty() ? ordered_json(nullptr) : ordered_json(report.keptCopy)},
        {"process", {{"pid", report.process.pid}, {"startTicks", report.process.startTicks}}},
        {"files", files},
        {"restored",
         report.restored.empty() ? ordered_json(nullptr) : ordered_json(report.restored)},
        {"earlierRun", report.earlierRun},
        {"pageMends", PageMendsJson(report.pageMends)},
        {"pageProblems", report.pageProblems},
        {"pageCheckRefusal", report.pageCheckRefusal.empty()
                                 ? ordered_json(nullptr)
                                 : ordered_json(report.pageCheckRefusal)},
        {"started", LocalTimeText(report.started, kIsoTime)},
        {"ended", LocalTimeText(report.ended, kIsoTime)},
        {"outcome", report.outcome},
        {"message", report.message},
        {"steps", steps},
        {"validations", validations},
        {"accounting",
         {{"before", CensusJson(report.before)}, {"after", CensusJson(report.after)}}},
        {"skippedBlobs", report.skippedBlobs},
        {"backupRowsMissing", report.backupRowsMissing},
        {"constraintViolations", ConstraintViolationsJson(report)},
        {"constraintProblems", ConstraintProblems(report)},
        {"toolErrors", report.toolErrors},
        {"losses", LossesJson(report)},
        {"putBack", report.recovery ? TablesJson(report.recovery->tables) : ordered_json(nullptr)},
        {"salvage", SalvageJson(report)},
    };
    // Paths and tool output are bytes of any kind: replace what is not UTF-8 rather than fail.
    return document.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

std::string ReportDetails(const TRepairReport& report) {
    std::string details;
    for (const TStepRecord& step : report.steps) {
        details += "== " + StepTitle(step.step) + "\n";
        if (!step.commandLine.empty()) {
            details += step.commandLine + "\n";
        }
        for (const std::string& line : step.output) {
            details += line + "\n";
        }
    }
    return details;
}

} // namespace onarim
