#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace onarim {

class TSqlAttachment;
class TSqlTransaction;
class TSqlValue;

// A column that stores values (computed columns store none and cannot be written).
struct TStoredColumn {
    std::string name;
    bool blob = false;
    // An array column: it is read as its array id, which names nothing in another database.
    // Its values cannot be copied (the client library's calls for array slices are not in the
    // binding's table of entry points), so it is never written.
    bool array = false;
};

// What the recovery needs to know of one user table to read its rows and write them back.
struct TTableLayout {
    std::string name;
    int relationId = 0;
    std::vector<TStoredColumn> columns; // in the table's column order
    // The columns (indexes into `columns`, in key order) of the table's primary key, or else
    // of its first unique constraint by name; empty when it has neither, and then a row
    // cannot be told apart from another one with the same values.
    std::vector<std::size_t> keyColumns;

    bool HasUniqueKey() const noexcept { return !keyColumns.empty(); }
    bool HasArrays() const noexcept;
};

// The non-NULL array values of `values`, a row of `table`: what writing the row leaves behind.
std::int64_t ArrayValuesIn(const TTableLayout& table, const std::vector<TSqlValue>& values);

// The two layouts have the same columns (names, blob and array columns, in order) and key.
bool SameColumns(const TTableLayout& source, const TTableLayout& target);

// The user tables of the database (as ReadUserTables lists them, ordered by name) with their
// stored columns (arrays marked) and unique key, from RDB$RELATIONS, RDB$RELATION_FIELDS,
// RDB$RELATION_CONSTRAINTS and RDB$INDEX_SEGMENTS. Raises EIBInterBaseError when the
// catalogue cannot be read.
std::vector<TTableLayout> ReadTableLayouts(TSqlTransaction& transaction);
// The same, in a read-only transaction of its own on `attachment`.
std::vector<TTableLayout> ReadTableLayouts(TSqlAttachment& attachment);

} // namespace onarim
