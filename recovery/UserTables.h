#pragma once

#include <string>
#include <vector>

namespace onarim {

class TSqlTransaction;

// A table that holds the database's own data, with the columns that store blob values.
struct TUserTable {
    std::string name;
    std::vector<std::string> blobColumns; // in the table's column order
};

// The user tables of the database, ordered by name: tables of RDB$RELATIONS that are neither
// system tables nor views. A view is known by its BLR, not by its source text, which tools
// may strip. Blob columns are stored columns of field type 261; a computed one holds no
// values and is left out. Names come without the catalogue's trailing blanks. Raises
// EIBInterBaseError when the catalogue cannot be read.
std::vector<TUserTable> ReadUserTables(TSqlTransaction& transaction);

} // namespace onarim
