#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ods/RawDatabase.h"
#include "ods/RawRow.h"
#include "ods/TableLayout.h"
#include "recovery/DamagedDatabaseReader.h"
#include "recovery/TableLayout.h"

namespace onarim {

// The user tables of `database` (relations with pages of their own, so no views), ordered by
// name.
std::vector<const ods::TRawRelation*> RawUserTables(const ods::TRawDatabase& database);

// Why the rows of `pages` cannot be given as rows of `table`: a column with no field of its
// name, or of a type the writer does not take. Empty when they can.
std::string ColumnsNotGiven(const ods::TTableLayout& pages, const TTableLayout& table);

// A row read straight from the pages as the reader's row of `table`: each stored column's
// value, found by its field's name, in the binary form the SQL layer exchanges (so that it is
// written as it was stored), and each blob column's value as read with the row (a blob whose
// value could not be read is given as missing, as the engine's reader gives it). An array
// column holds a non-NULL value where the row has an array, which the writer leaves out.
// Nothing when a column has no field of that name or a value of a type not written:
// `problem` says why.
std::optional<TReadRow> ToReadRow(const TTableLayout& table, const ods::TRawRow& raw,
                                  std::string& problem);

// The values of the unique key's columns (table.keyColumns, in order) of a row read straight
// from the pages, as ToReadRow gives them. Nothing when one cannot be given.
std::optional<TSqlRow> KeyValuesOf(const TTableLayout& table, const ods::TRawRow& raw);

} // namespace onarim
