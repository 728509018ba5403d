#include "cli/CheckJson.h"

#include <nlohmann/json.hpp>

#include "cli/CheckStatusLine.h"

namespace onarim {

namespace {

using nlohmann::json;

template <typename T>
json Optional(const std::optional<T>& value) {
    return value ? json(*value) : json(nullptr);
}

json FactsJson(const TCheckResult& result) {
    if (!result.facts) {
        return nullptr;
    }
    const TDatabaseInfo& facts = *result.facts;
    json ods = nullptr;
    if (facts.odsMajor && facts.odsMinor) {
        ods = std::to_string(*facts.odsMajor) + "." + std::to_string(*facts.odsMinor);
    }
    return {
        {"odsVersion", ods},
        {"pageSize", Optional(facts.pageSize)},
        {"pages", Optional(facts.pages)},
        {"forcedWrites", Optional(facts.forcedWrites)},
        {"readOnly", Optional(facts.readOnly)},
        {"sweepInterval", Optional(facts.sweepInterval)},
        {"oldestTransaction", Optional(facts.oldestTransaction)},
        {"oldestActive", Optional(facts.oldestActive)},
        {"oldestSnapshot", Optional(facts.oldestSnapshot)},
        {"nextTransaction", Optional(facts.nextTransaction)},
        {"transactionGap", Optional(result.TransactionGap())},
        {"dialect", Optional(facts.dialect)},
    };
}

json ValidationJson(const TCheckResult& result) {
    if (!result.validation) {
        return nullptr;
    }
    const TValidationReport& report = *result.validation;
    json tables = json::array();
    for (const TValidatedTable& table : report.tables) {
        tables.push_back({
            {"relationId", table.relationId},
            {"name", table.name},
            {"errors", table.DamageErrors()},
            {"warnings", table.warnings},
            {"lockFailed", table.lockFailed},
            {"details", table.details},
        });
    }
    return {
        {"finished", report.finished},
        {"errors", report.DamageErrors()},
        {"lines", report.lines},
        {"tables", tables},
        {"otherErrors", report.otherErrors},
    };
}

} // namespace

std::string CheckResultToJson(const TCheckResult& result) {
    json findings = json::array();
    for (const TCheckFinding& finding : result.findings) {
        findings.push_back({{"level", StatusWord(finding.level)}, {"text", finding.text}});
    }
    const TCheckStatus status = result.Status();
    const json document = {
        {"status", StatusWord(status)},
        {"exitStatus", CheckExitStatus(status)},
        {"line", CheckStatusLine(result)},
        {"database", result.database},
        {"server", result.server},
        {"warnGap", result.warnGap},
        {"facts", FactsJson(result)},
        {"validation", ValidationJson(result)},
        {"findings", findings},
    };
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

} // namespace onarim
