#include "recovery/UserTables.h"

#include <map>

#include "client/SqlStatement.h"

namespace onarim {

namespace {

constexpr const char* kUserTablesQuery =
    "SELECT RDB$RELATION_NAME FROM RDB$RELATIONS"
    " WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$VIEW_BLR IS NULL";

constexpr const char* kBlobColumnsQuery =
    "SELECT RF.RDB$RELATION_NAME, RF.RDB$FIELD_NAME FROM RDB$RELATION_FIELDS RF"
    " JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE"
    " WHERE F.RDB$FIELD_TYPE = 261 AND F.RDB$COMPUTED_BLR IS NULL"
    " ORDER BY RF.RDB$RELATION_NAME, RF.RDB$FIELD_POSITION";

// Catalogue names are CHAR, padded with blanks that are not part of the name.
std::string CatalogueName(const TSqlValue& value) {
    std::string name = value.AsText();
    name.erase(name.find_last_not_of(' ') + 1);
    return name;
}

} // namespace

std::vector<TUserTable> ReadUserTables(TSqlTransaction& transaction) {
    std::map<std::string, TUserTable> tables;
    TSqlStatement userTables(transaction, kUserTablesQuery);
    userTables.Execute();
    while (userTables.Fetch()) {
        const std::string name = CatalogueName(userTables.Value(0));
        tables[name].name = name;
    }
    TSqlStatement blobColumns(transaction, kBlobColumnsQuery);
    blobColumns.Execute();
    while (blobColumns.Fetch()) {
        const auto table = tables.find(CatalogueName(blobColumns.Value(0)));
        if (table != tables.end()) {
            table->second.blobColumns.push_back(CatalogueName(blobColumns.Value(1)));
        }
    }
    std::vector<TUserTable> ordered;
    for (auto& [name, table] : tables) {
        ordered.push_back(std::move(table));
    }
    return ordered;
}

} // namespace onarim
