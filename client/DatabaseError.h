#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace onarim {

// What a database error message contains. Process-wide; set once at start to
// {IncludeServerText, IncludeSqlText} and guarded by its own lock.
struct DatabaseErrorOptions {
    bool IncludeSqlCode = false;
    bool IncludeServerText = true;
    bool IncludeSqlText = true;
};

// A copy of the current options, taken under their lock.
DatabaseErrorOptions GetDatabaseErrorOptions();

// Replaces the options under their lock. The system itself never changes them after start.
void SetDatabaseErrorOptions(const DatabaseErrorOptions& options);

// Size of the text buffer handed to isc_interprete for one message line.
inline constexpr int kInterpreteBufferSize = 20480;

// Builds the error of the client call that just failed on this thread from the thread's status
// vector and raises it: EIBInterBaseRoleError for SQL code -551, EIBInterBaseError otherwise.
// The message is the server's message lines joined by CR LF, without one trailing full stop
// (an SQL code line first when IncludeSqlCode is set); the lines are read with isc_interprete
// only while it moves its cursor forward and inside the vector. The error also carries every
// error code of the status vector (EIBError::StatusCodes). Must run right after the failed
// call, before any other client call on this thread.
[[noreturn]] void RaiseDatabaseError();

// The text that tells `error` to the operator: its message; for an error without one (above
// all a failed call whose status vector gave no text) the text of an unknown client error,
// followed by the failed call's codes ("Unknown error (SQLCODE: -902, status 335544344)"), so
// that no error is told by nothing.
std::string ErrorText(const std::exception& error);

} // namespace onarim
