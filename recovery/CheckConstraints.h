#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace onarim {

class TSqlTransaction;

// A CHECK that the engine tests on every row written: a table's CHECK constraint, or the
// CHECK of a domain, which every column of that domain carries.
struct TCheckConstraint {
    enum class TKind { Table, Domain };
    TKind kind = TKind::Table;
    std::string name;  // the constraint's name (Table) or the domain's (Domain)
    std::string table; // Table: the table it belongs to
    // The definition as the catalogue keeps it, "CHECK (...)": RDB$TRIGGER_SOURCE of the
    // constraint's trigger, RDB$VALIDATION_SOURCE of the domain.
    std::string source;
    // Domain: the user tables' columns of the domain, (table, column).
    std::vector<std::pair<std::string, std::string>> columns;
};

// The CHECK constraints of the user tables `tables` and the CHECKs of the domains their columns
// use, tables' first, each in name order. Only those whose source the catalogue keeps are
// listed: a CHECK without its source text could be dropped but never made again. Raises
// EIBInterBaseError when the catalogue cannot be read.
std::vector<TCheckConstraint> ReadCheckConstraints(TSqlTransaction& transaction,
                                                   const std::vector<std::string>& tables);

// The condition of a source "CHECK (...)": what follows the keyword CHECK. nullopt when the
// source's first word (past blanks and comments) is not CHECK.
std::optional<std::string> CheckCondition(const std::string& source);

// `condition` of a domain's CHECK with its keyword VALUE written as `column` (an SQL
// expression), so that it can be tested on a table's rows. Text in quotes, quoted
// identifiers and comments are left as they are, as are words that only contain VALUE.
std::string SubstituteValue(const std::string& condition, const std::string& column);

// One test of a CHECK on the rows of one table: for a table's constraint its condition, for a
// domain's CHECK one per column of the domain.
struct TCheckTest {
    std::string label; // "TABLE.CONSTRAINT", or "TABLE.COLUMN (DOMAIN)"
    std::string table;
    std::string condition; // an SQL condition over the table's columns
};

// The tests of `constraint`; none when its source is no "CHECK (...)".
std::vector<TCheckTest> TestsOf(const TCheckConstraint& constraint);

// The rows of the test's table whose values the condition rejects (FALSE; NULL passes, as it
// does a CHECK). Raises EIBInterBaseError when the server cannot run the count.
std::int64_t CountViolations(TSqlTransaction& transaction, const TCheckTest& test);

} // namespace onarim
