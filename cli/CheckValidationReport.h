#pragma once

#include <string>
#include <vector>

namespace onarim {

// One user table as the online validation reported it.
struct TValidatedTable {
    int relationId = 0;
    std::string name;
    int errors = 0;       // from "Relation 128 (T1) : 1 ERRORS found"; a lock failure counts one
    int warnings = 0;     // "Warning: ..." lines
    bool lockFailed = false; // "Acquire relation lock failed": the table was not checked
    std::vector<std::string> details; // its "Error: ..." and "Warning: ..." lines

    // Errors that mean damage: the server counts a lock it could not get as an error.
    int DamageErrors() const { return lockFailed ? 0 : errors; }
};

// The online validation's report, read.
struct TValidationReport {
    std::vector<std::string> lines; // every line as the server gave it, time stamps and all
    std::vector<TValidatedTable> tables;
    // "Error: ..." lines outside any table.
    std::vector<std::string> otherErrors;
    bool finished = false; // "Validation finished" came

    int DamageErrors() const;
};

// Reads the lines of Firebird 3's online validation (isc_action_svc_validate). Each line may
// begin with a time stamp ("12:04:10.67 ") and end with blanks; both are dropped before it is
// read. Lines it does not know (the pointer page progress, "Index 1 (RDB$PRIMARY1)", blank
// and indented continuation lines) are kept in `lines` only. Never raises.
TValidationReport ReadValidationReport(std::vector<std::string> lines);

} // namespace onarim
