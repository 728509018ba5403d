#pragma once

#include <string>
#include <vector>

namespace onarim {

class TSqlTransaction;
class TSqlValue;

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

// A name read from the catalogue, whose CHAR columns pad names with blanks that are not part
// of them. Raises EIBClientError 38 for a value that is not text.
std::string CatalogueName(const TSqlValue& value);

} // namespace onarim
