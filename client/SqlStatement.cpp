#include "client/SqlStatement.h"

#include <cstring>
#include <limits>

#include "client/ClientCall.h"
#include "client/ClientEntryPoints.h"
#include "client/ClientError.h"
#include "client/ClientLibrary.h"
#include "client/ReallocZeroed.h"
#include "client/SqlAttachment.h"
#include "client/SqlTransaction.h"

namespace onarim {

namespace {

constexpr unsigned short kDialect = SQL_DIALECT_V6;
constexpr ISC_STATUS kNoMoreRows = 100;
constexpr int kEndOfFile = 28;
constexpr int kCursorClosed = 32;
constexpr int kColumnIndexOutOfRange = 36;
constexpr int kParameterIndexOutOfRange = 37;
constexpr int kEmptyQuery = 42;
constexpr int kSqlParseError = 55;

// Longer texts go as zero-terminated, whose length the library measures itself.
unsigned short SqlLength(const std::string& sql) {
    if (sql.empty()) {
        RaiseClientError(kEmptyQuery);
    }
    if (sql.find('\0') != std::string::npos) {
        RaiseClientError(kSqlParseError, {std::string("the statement holds a zero byte")});
    }
    return sql.size() > std::numeric_limits<unsigned short>::max()
               ? 0
               : static_cast<unsigned short>(sql.size());
}

} // namespace

TSqlStatement::TSqlStatement(TSqlTransaction& transaction, const std::string& sql)
    : transaction_(transaction) {
    const unsigned short length = SqlLength(sql);
    transaction.RequireActive();
    const auto& client = ClientEntryPoints();
    CheckClientCall(client.isc_dsql_alloc_statement2(ThreadStatusVector(),
                                                     transaction.Attachment().Handle(), &handle_));
    if (ClientCallFailed(client.isc_dsql_prepare(ThreadStatusVector(), transaction.Handle(),
                                                 &handle_, length, sql.c_str(), kDialect,
                                                 output_.Area()))) {
        RaiseDatabaseErrorThen([this] {
            ClientEntryPoints().isc_dsql_free_statement(ThreadStatusVector(), &handle_, DSQL_drop);
            handle_ = 0;
        });
    }
    if (output_.Described() > output_.Room()) {
        Describe(false, output_);
    }
    output_.AllocateForOutput();
    columns_ = output_.Columns();
    Describe(true, input_);
    parameters_ = input_.Columns();
    type_ = StatementType();
}

TSqlStatement::~TSqlStatement() {
    if (handle_ != 0 && IsClientLibraryLoaded()) {
        ClientEntryPoints().isc_dsql_free_statement(ThreadStatusVector(), &handle_, DSQL_drop);
    }
}

void TSqlStatement::Describe(bool parameters, TSqlDescriptorArea& area) {
    const auto& client = ClientEntryPoints();
    auto describe = parameters ? client.isc_dsql_describe_bind : client.isc_dsql_describe;
    CheckClientCall(describe(ThreadStatusVector(), &handle_, kDialect, area.Area()));
    if (area.Described() > area.Room()) {
        area.Resize(area.Described());
        CheckClientCall(describe(ThreadStatusVector(), &handle_, kDialect, area.Area()));
    }
}

int TSqlStatement::StatementType() {
    const char items[] = {isc_info_sql_stmt_type};
    RawBlock reply;
    constexpr std::size_t kReplySize = 16;
    ReallocZeroed(reply, 0, kReplySize);
    CheckClientCall(ClientEntryPoints().isc_dsql_sql_info(
        ThreadStatusVector(), &handle_, sizeof items, items, kReplySize, reply.data()));
    const char* bytes = reply.data();
    if (bytes[0] != isc_info_sql_stmt_type) {
        return 0;
    }
    const auto length = static_cast<std::size_t>(InfoReplyInteger(bytes + 1, 2));
    return length <= 4 ? static_cast<int>(InfoReplyInteger(bytes + 3, length)) : 0;
}

void TSqlStatement::CloseCursor() noexcept {
    if (cursorOpen_) {
        ClientEntryPoints().isc_dsql_free_statement(ThreadStatusVector(), &handle_, DSQL_close);
    }
    cursorOpen_ = false;
    rowCurrent_ = false;
    singletonPending_ = false;
    rowsEnded_ = false;
}

void TSqlStatement::Execute(const std::vector<TSqlValue>& parameters) {
    if (parameters.size() != parameters_.size()) {
        RaiseClientError(kParameterIndexOutOfRange);
    }
    transaction_.RequireActive();
    CloseCursor();
    input_.Bind(parameters);
    const XSQLDA* input = parameters_.empty() ? nullptr : input_.Area();
    const auto& client = ClientEntryPoints();
    if (type_ == isc_info_sql_stmt_select || type_ == isc_info_sql_stmt_select_for_upd) {
        CheckClientCall(client.isc_dsql_execute(ThreadStatusVector(), transaction_.Handle(),
                                                &handle_, kDialect, input));
        cursorOpen_ = true;
    } else if (!columns_.empty()) {
        CheckClientCall(client.isc_dsql_execute2(ThreadStatusVector(), transaction_.Handle(),
                                                 &handle_, kDialect, input, output_.Area()));
        singletonPending_ = true;
    } else {
        CheckClientCall(client.isc_dsql_execute(ThreadStatusVector(), transaction_.Handle(),
                                                &handle_, kDialect, input));
    }
}

bool TSqlStatement::Fetch() {
    if (singletonPending_) {
        singletonPending_ = false;
        rowCurrent_ = true;
        rowsEnded_ = true;
        return true;
    }
    if (rowsEnded_) {
        rowCurrent_ = false;
        return false;
    }
    if (!cursorOpen_) {
        rowCurrent_ = false;
        RaiseClientError(kCursorClosed);
    }
    const ISC_STATUS result = ClientEntryPoints().isc_dsql_fetch(ThreadStatusVector(), &handle_,
                                                                 kDialect, output_.Area());
    if (result == kNoMoreRows) {
        CloseCursor();
        rowsEnded_ = true;
        return false;
    }
    if (ClientCallFailed(result)) {
        RaiseDatabaseErrorThen([this] { CloseCursor(); });
    }
    rowCurrent_ = true;
    return true;
}

TSqlValue TSqlStatement::Value(std::size_t column) const {
    if (column >= columns_.size()) {
        RaiseClientError(kColumnIndexOutOfRange);
    }
    if (!rowCurrent_) {
        RaiseClientError(kEndOfFile);
    }
    return output_.Read(static_cast<short>(column));
}

TSqlRow TSqlStatement::Row() const {
    if (!rowCurrent_) {
        RaiseClientError(kEndOfFile);
    }
    TSqlRow row;
    for (std::size_t column = 0; column < columns_.size(); ++column) {
        row.push_back(output_.Read(static_cast<short>(column)));
    }
    return row;
}

} // namespace onarim
