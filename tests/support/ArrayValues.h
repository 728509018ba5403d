#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace onarim::testing {

// Stores `elements` as the value of the one-dimensional INTEGER array column `column` of the
// rows of `table` that `where` (an SQL condition) selects, in the database at `path`. SQL has
// no way to write an array, and the binding's table of entry points has no array calls: this
// takes isc_array_lookup_bounds and isc_array_put_slice from the loaded client library. Raises
// FixtureError when the library lacks them, and what the SQL layer raises otherwise.
void WriteIntegerArray(const std::string& path, const std::string& table, const std::string& column,
                       const std::string& where, const std::vector<std::int32_t>& elements);

} // namespace onarim::testing
