#pragma once

#include <string>
#include <vector>

namespace onarim::testing {

// Debian's example employee database (package firebird3.0-examples): its script, compressed.
inline constexpr const char* kEmployeeScript =
    "/usr/share/doc/firebird3.0-common-doc/examples/employee.sql.gz";

// Builds the employee database at `path` from kEmployeeScript, decompressed here and run with
// isql: domains with defaults and CHECKs, tables with primary, unique and foreign keys, table
// CHECKs (one of SALES looks at CUSTOMER, and 3 of its rows break it: orders shipped to
// customers put on hold later), computed columns, an array column (JOB.LANGUAGE_REQ, left
// NULL), text blobs, a view, triggers, procedures, exceptions and two sequences. Takes
// about 8 seconds (forced writes on, a commit per statement): build it once and copy it.
// Raises FixtureError when the script cannot be read or isql fails.
void CreateEmployeeDatabase(const std::string& path);

// Its user tables, by name.
std::vector<std::string> EmployeeTables();

// The SALES rows that break the CHECK over CUSTOMER, and that constraint's name.
inline constexpr int kSalesBreakingTheCheck = 3;
inline constexpr const char* kSalesCustomerCheck = "SALES.INTEG_80";

} // namespace onarim::testing
