#include "recovery/TableLayout.h"

#include <map>

#include "client/SqlStatement.h"
#include "client/SqlTransaction.h"
#include "client/SqlValue.h"
#include "recovery/UserTables.h"

namespace onarim {

namespace {

constexpr short kBlobFieldType = 261;

constexpr const char* kColumnsQuery =
    "SELECT R.RDB$RELATION_NAME, R.RDB$RELATION_ID, RF.RDB$FIELD_NAME, F.RDB$FIELD_TYPE,"
    " COALESCE(F.RDB$DIMENSIONS, 0)"
    " FROM RDB$RELATIONS R"
    " JOIN RDB$RELATION_FIELDS RF ON RF.RDB$RELATION_NAME = R.RDB$RELATION_NAME"
    " JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE"
    " WHERE F.RDB$COMPUTED_BLR IS NULL"
    " ORDER BY R.RDB$RELATION_NAME, RF.RDB$FIELD_POSITION";

// 'PRIMARY KEY' sorts before 'UNIQUE', so a table's first constraint is its primary key.
constexpr const char* kKeysQuery =
    "SELECT RC.RDB$RELATION_NAME, RC.RDB$CONSTRAINT_NAME, S.RDB$FIELD_NAME"
    " FROM RDB$RELATION_CONSTRAINTS RC"
    " JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = RC.RDB$INDEX_NAME"
    " WHERE RC.RDB$CONSTRAINT_TYPE IN ('PRIMARY KEY', 'UNIQUE')"
    " ORDER BY RC.RDB$RELATION_NAME, RC.RDB$CONSTRAINT_TYPE, RC.RDB$CONSTRAINT_NAME,"
    " S.RDB$FIELD_POSITION";

std::size_t ColumnIndex(const TTableLayout& table, const std::string& column) {
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        if (table.columns[i].name == column) {
            return i;
        }
    }
    return table.columns.size();
}

void ReadColumns(TSqlTransaction& transaction, std::map<std::string, TTableLayout>& tables) {
    TSqlStatement columns(transaction, kColumnsQuery);
    columns.Execute();
    while (columns.Fetch()) {
        const auto table = tables.find(CatalogueName(columns.Value(0)));
        if (table == tables.end()) {
            continue;
        }
        table->second.relationId = static_cast<int>(columns.Value(1).AsInteger());
        const bool array = columns.Value(4).AsInteger() > 0;
        table->second.columns.push_back(
            TStoredColumn{CatalogueName(columns.Value(2)),
                          !array && columns.Value(3).AsInteger() == kBlobFieldType, array});
    }
}

void ReadKeys(TSqlTransaction& transaction, std::map<std::string, TTableLayout>& tables) {
    std::map<std::string, std::string> chosenConstraint;
    TSqlStatement keys(transaction, kKeysQuery);
    keys.Execute();
    while (keys.Fetch()) {
        const auto table = tables.find(CatalogueName(keys.Value(0)));
        if (table == tables.end()) {
            continue;
        }
        const std::string constraint = CatalogueName(keys.Value(1));
        const auto [chosen, first] = chosenConstraint.emplace(table->first, constraint);
        if (!first && chosen->second != constraint) {
            continue;
        }
        const std::size_t index = ColumnIndex(table->second, CatalogueName(keys.Value(2)));
        if (index == table->second.columns.size()) {
            // A key over a column that stores nothing identifies nothing.
            table->second.keyColumns.clear();
            chosen->second.clear();
            continue;
        }
        table->second.keyColumns.push_back(index);
    }
}

} // namespace

bool TTableLayout::HasArrays() const noexcept {
    for (const TStoredColumn& column : columns) {
        if (column.array) {
            return true;
        }
    }
    return false;
}

std::int64_t ArrayValuesIn(const TTableLayout& table, const std::vector<TSqlValue>& values) {
    std::int64_t count = 0;
    for (std::size_t column = 0; column < table.columns.size() && column < values.size();
         ++column) {
        count += table.columns[column].array && !values[column].IsNull() ? 1 : 0;
    }
    return count;
}

bool SameColumns(const TTableLayout& source, const TTableLayout& target) {
    if (source.columns.size() != target.columns.size()) {
        return false;
    }
    for (std::size_t i = 0; i < source.columns.size(); ++i) {
        if (source.columns[i].name != target.columns[i].name ||
            source.columns[i].blob != target.columns[i].blob ||
            source.columns[i].array != target.columns[i].array) {
            return false;
        }
    }
    return source.keyColumns == target.keyColumns;
}

std::vector<TTableLayout> ReadTableLayouts(TSqlTransaction& transaction) {
    std::map<std::string, TTableLayout> tables;
    for (const TUserTable& table : ReadUserTables(transaction)) {
        tables[table.name].name = table.name;
    }
    ReadColumns(transaction, tables);
    ReadKeys(transaction, tables);
    std::vector<TTableLayout> ordered;
    for (auto& [name, table] : tables) {
        ordered.push_back(std::move(table));
    }
    return ordered;
}

std::vector<TTableLayout> ReadTableLayouts(TSqlAttachment& attachment) {
    TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadOnlyReadCommitted);
    return ReadTableLayouts(transaction);
}

} // namespace onarim
