#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace onarim {

class TSqlTransaction;

// A column that stores values (computed columns store none and cannot be written).
struct TStoredColumn {
    std::string name;
    bool blob = false;
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
};

// The user tables of the database (as ReadUserTables lists them, ordered by name) with their
// stored columns and unique key, from RDB$RELATIONS, RDB$RELATION_FIELDS,
// RDB$RELATION_CONSTRAINTS and RDB$INDEX_SEGMENTS. Raises EIBInterBaseError when the
// catalogue cannot be read.
std::vector<TTableLayout> ReadTableLayouts(TSqlTransaction& transaction);

} // namespace onarim
