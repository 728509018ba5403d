#pragma once

#include <string>

#include "support/TestDatabase.h"

namespace onarim::testing {

// A second user table beside ITEMS, named so that only a quoted identifier reaches it: blanks,
// lower-case and Turkish letters and a double quote inside. Its columns: ID INTEGER, "Belge"
// BLOB SUB_TYPE TEXT, EK BLOB SUB_TYPE BINARY, and ÖZET, a blob computed from "Belge" (it
// stores nothing).
inline constexpr const char* kSecondTable = "Ödeme \"kayıtları\" 2";
inline constexpr int kSecondTableRows = 30;
// Of its rows, IDs 1..30: "Belge" is non-empty for every third ID, empty for the IDs after
// those and NULL for the rest; EK is non-empty for IDs 1..7 and NULL for the rest.
inline constexpr int kNonEmptyBelge = 10;
inline constexpr int kNonEmptyEk = 7;

// CreateTestDatabase(path, options) and then, without touching ITEMS (so its pages are as that
// function leaves them and DamageDatabase finds them), the second table with its rows, a view
// of it and a view whose source text has been removed from the catalogue, as some tools do.
// Raises FixtureError as CreateTestDatabase does.
TestDatabase CreateCensusDatabase(const std::string& path, const TestDatabaseOptions& options = {});

} // namespace onarim::testing
