#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace onarim {

class TSqlTransaction;

// A FOREIGN KEY constraint of a table.
struct TForeignKey {
    std::string name; // the constraint's
    std::string table;
    std::string index; // the index that enforces it
    std::vector<std::string> columns;
    std::string parentTable;
    std::vector<std::string> parentColumns; // the referenced key, in the order of `columns`
};

// Every FOREIGN KEY constraint of the database, by name. Raises EIBInterBaseError when the
// catalogue cannot be read.
std::vector<TForeignKey> ReadForeignKeys(TSqlTransaction& transaction);

// The rows of the key's table whose key columns all hold a value that names no row of the
// parent table: those that break it (a row with a NULL among them does not). Raises
// EIBInterBaseError when the server cannot run the count.
std::int64_t CountOrphans(TSqlTransaction& transaction, const TForeignKey& key);

} // namespace onarim
