#include "recovery/ForeignKeys.h"

#include "client/SqlIdentifier.h"
#include "client/SqlStatement.h"
#include "recovery/UserTables.h"

namespace onarim {

namespace {

// One row per column of a key, with the referenced column of the same position.
constexpr const char* kForeignKeysQuery =
    "SELECT RC.RDB$CONSTRAINT_NAME, RC.RDB$RELATION_NAME, RC.RDB$INDEX_NAME, S.RDB$FIELD_NAME,"
    " P.RDB$RELATION_NAME, PS.RDB$FIELD_NAME"
    " FROM RDB$RELATION_CONSTRAINTS RC"
    " JOIN RDB$INDICES I ON I.RDB$INDEX_NAME = RC.RDB$INDEX_NAME"
    " JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = I.RDB$INDEX_NAME"
    " JOIN RDB$INDICES P ON P.RDB$INDEX_NAME = I.RDB$FOREIGN_KEY"
    " JOIN RDB$INDEX_SEGMENTS PS ON PS.RDB$INDEX_NAME = P.RDB$INDEX_NAME"
    " AND PS.RDB$FIELD_POSITION = S.RDB$FIELD_POSITION"
    " WHERE RC.RDB$CONSTRAINT_TYPE = 'FOREIGN KEY'"
    " ORDER BY RC.RDB$CONSTRAINT_NAME, S.RDB$FIELD_POSITION";

} // namespace

std::vector<TForeignKey> ReadForeignKeys(TSqlTransaction& transaction) {
    std::vector<TForeignKey> keys;
    TSqlStatement query(transaction, kForeignKeysQuery);
    query.Execute();
    while (query.Fetch()) {
        const std::string name = CatalogueName(query.Value(0));
        if (keys.empty() || keys.back().name != name) {
            keys.push_back({name,
                            CatalogueName(query.Value(1)),
                            CatalogueName(query.Value(2)),
                            {},
                            CatalogueName(query.Value(4)),
                            {}});
        }
        keys.back().columns.push_back(CatalogueName(query.Value(3)));
        keys.back().parentColumns.push_back(CatalogueName(query.Value(5)));
    }
    return keys;
}

std::int64_t CountOrphans(TSqlTransaction& transaction, const TForeignKey& key) {
    std::string set, match;
    for (std::size_t i = 0; i < key.columns.size(); ++i) {
        const std::string child = "C." + QuoteSqlIdentifier(key.columns[i]);
        set += " AND " + child + " IS NOT NULL";
        match += (i == 0 ? "" : " AND ") + ("P." + QuoteSqlIdentifier(key.parentColumns[i])) +
                 " = " + child;
    }
    TSqlStatement count(transaction,
                        "SELECT COUNT(*) FROM " + QuoteSqlIdentifier(key.table) + " C WHERE 1 = 1" +
                            set + " AND NOT EXISTS (SELECT 1 FROM " +
                            QuoteSqlIdentifier(key.parentTable) + " P WHERE " + match + ")");
    count.Execute();
    count.Fetch();
    return count.Value(0).AsInteger();
}

} // namespace onarim
