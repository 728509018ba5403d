#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "client/FirebirdApi.h"
#include "client/SqlColumn.h"
#include "client/SqlDescriptorArea.h"
#include "client/SqlValue.h"

namespace onarim {

class TSqlTransaction;

// One dynamic SQL statement (dialect 3), prepared in a transaction and run in it: a SELECT
// opens a cursor whose rows Fetch steps through; a statement that returns one row (EXECUTE
// PROCEDURE, INSERT ... RETURNING) makes that row current; any other statement just runs.
// Parameters are given as `?` and bound by position. The transaction must outlive it.
class TSqlStatement {
public:
    // Prepares `sql` and describes its columns and parameters. Raises EIBClientError 42
    // ("Empty query") for an empty text, 18 when the transaction is not active, and
    // EIBInterBaseError with the server's message when the server refuses the text.
    TSqlStatement(TSqlTransaction& transaction, const std::string& sql);
    // Frees the statement. Never raises.
    ~TSqlStatement();
    TSqlStatement(const TSqlStatement&) = delete;
    TSqlStatement& operator=(const TSqlStatement&) = delete;

    const std::vector<TSqlColumn>& Columns() const noexcept { return columns_; }
    const std::vector<TSqlColumn>& Parameters() const noexcept { return parameters_; }

    // Runs the statement with one value per parameter, closing a cursor left open by an
    // earlier run. Raises EIBClientError 37 when the number of values is not the number of
    // parameters, 18 when the transaction is no longer active, the errors of
    // TSqlDescriptorArea::Bind, and EIBInterBaseError when the server fails the statement.
    void Execute(const std::vector<TSqlValue>& parameters = {});

    // Steps to the next row; false when there is none (and then no row is current), also on
    // every later call. A statement that returned one row yields it on the first call. Raises
    // EIBClientError 32 ("IBSQL Closed") when the last run opened no cursor and returned no
    // row, and EIBInterBaseError when the server cannot read the next row (the cursor is then
    // closed).
    bool Fetch();

    // The current row's value in `column` (from 0), a copy that outlives the row. Raises
    // EIBClientError 36 for a column past the last and 28 ("End of file") when no row is
    // current.
    TSqlValue Value(std::size_t column) const;
    // The whole current row. Raises EIBClientError 28 when no row is current.
    TSqlRow Row() const;

private:
    // Frees the statement in the library. One the library cannot free (its attachment broken
    // by an internal consistency check) stays registered there with the address of its handle,
    // which the library writes 0 into when the attachment ends: the handle's storage is then
    // handed over to outlive this object. Never raises.
    void Drop() noexcept;
    void Describe(bool parameters, TSqlDescriptorArea& area);
    int StatementType();
    void CloseCursor() noexcept;

    TSqlTransaction& transaction_;
    // Apart from the object: isc_dsql_alloc_statement2 has the library keep its address.
    std::unique_ptr<isc_stmt_handle> handle_;
    TSqlDescriptorArea output_;
    TSqlDescriptorArea input_;
    std::vector<TSqlColumn> columns_;
    std::vector<TSqlColumn> parameters_;
    int type_ = 0;
    bool cursorOpen_ = false;
    bool rowCurrent_ = false;
    bool singletonPending_ = false;
    bool rowsEnded_ = false;
};

} // namespace onarim
