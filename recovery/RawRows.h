#pragma once

#include <optional>
#include <string>

#include "ods/RawRow.h"
#include "recovery/DamagedDatabaseReader.h"
#include "recovery/TableLayout.h"

namespace onarim {

// A row read straight from the pages as the reader's row of `table`: each stored column's
// value, found by its field's name, in the binary form the SQL layer exchanges (so that it is
// written as it was stored), and each blob column's value as read with the row. Nothing when
// a column has no field of that name or its value cannot be given (an array, a blob whose
// value could not be read is given as missing, as the engine's reader gives it): `problem`
// says why.
std::optional<TReadRow> ToReadRow(const TTableLayout& table, const ods::TRawRow& raw,
                                  std::string& problem);

} // namespace onarim
