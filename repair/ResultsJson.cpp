#include "repair/ResultsJson.h"

namespace onarim {

namespace {

template <typename T>
void ReadOptional(const nlohmann::json& json, const char* key, std::optional<T>& value) {
    const auto field = json.find(key);
    value = field == json.end() || field->is_null() ? std::nullopt : std::optional(field->get<T>());
}

} // namespace

void to_json(nlohmann::json& json, const TColumnCensus& column) {
    json = {
        {"column", column.column},
        {"nonEmptyBlobs", column.nonEmptyBlobs ? nlohmann::json(*column.nonEmptyBlobs) : nullptr},
        {"unreadableBlobs", column.unreadableBlobs}};
}

void from_json(const nlohmann::json& json, TColumnCensus& column) {
    column.column = json.at("column");
    ReadOptional(json, "nonEmptyBlobs", column.nonEmptyBlobs);
    column.unreadableBlobs = json.value("unreadableBlobs", std::int64_t{0});
}

void to_json(nlohmann::json& json, const TTableCensus& table) {
    json = {{"table", table.table},
            {"rows", table.rows ? nlohmann::json(*table.rows) : nullptr},
            {"blobColumns", table.blobColumns},
            {"error", table.error},
            {"lostRecords", table.lostRecords}};
}

void from_json(const nlohmann::json& json, TTableCensus& table) {
    table.table = json.at("table");
    ReadOptional(json, "rows", table.rows);
    table.blobColumns = json.at("blobColumns").get<std::vector<TColumnCensus>>();
    table.error = json.value("error", "");
    table.lostRecords = json.value("lostRecords", std::vector<std::string>{});
}

void to_json(nlohmann::json& json, const TDatabaseCensus& census) {
    json = {{"tables", census.tables}};
}

void from_json(const nlohmann::json& json, TDatabaseCensus& census) {
    census.tables = json.at("tables").get<std::vector<TTableCensus>>();
}

void to_json(nlohmann::json& json, const TTableRecovery& table) {
    json = {{"table", table.table},
            {"rows", table.rowsPutBack},
            {"blobs", table.blobsPutBack},
            {"noUniqueKey", table.noUniqueKey},
            {"arrayValuesLeft", table.arrayValuesLeft},
            {"rawRows", table.rawRows},
            {"rawBlobs", table.rawBlobs},
            {"problems", table.problems}};
}

void from_json(const nlohmann::json& json, TTableRecovery& table) {
    table.table = json.at("table");
    table.rowsPutBack = json.at("rows");
    table.blobsPutBack = json.at("blobs");
    table.noUniqueKey = json.at("noUniqueKey");
    table.arrayValuesLeft = json.at("arrayValuesLeft");
    table.rawRows = json.at("rawRows");
    table.rawBlobs = json.at("rawBlobs");
    table.problems = json.at("problems").get<std::vector<std::string>>();
}

void to_json(nlohmann::json& json, const TRecoveryResult& result) {
    json = {{"tables", result.tables},
            {"constraintViolations", result.constraintViolations},
            {"constraintProblems", result.constraintProblems}};
}

void from_json(const nlohmann::json& json, TRecoveryResult& result) {
    result.tables = json.at("tables").get<std::vector<TTableRecovery>>();
    result.constraintViolations =
        json.at("constraintViolations").get<std::map<std::string, std::int64_t>>();
    result.constraintProblems = json.at("constraintProblems").get<std::vector<std::string>>();
}

void to_json(nlohmann::json& json, const TSalvageResult& result) {
    json = {{"tables", result.tables},
            {"inactiveIndexes", result.inactiveIndexes},
            {"inactiveTriggers", result.inactiveTriggers},
            {"unsetSequences", result.unsetSequences},
            {"constraintViolations", result.constraintViolations},
            {"constraintProblems", result.constraintProblems}};
}

void from_json(const nlohmann::json& json, TSalvageResult& result) {
    result.tables = json.at("tables").get<std::vector<TTableRecovery>>();
    result.inactiveIndexes = json.at("inactiveIndexes").get<std::vector<std::string>>();
    result.inactiveTriggers = json.at("inactiveTriggers").get<std::vector<std::string>>();
    result.unsetSequences = json.at("unsetSequences").get<std::vector<std::string>>();
    result.constraintViolations =
        json.at("constraintViolations").get<std::map<std::string, std::int64_t>>();
    result.constraintProblems = json.at("constraintProblems").get<std::vector<std::string>>();
}

} // namespace onarim
