#include "client/SqlStatement.h"

#include <atomic>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

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

// Handle storage of statements the library could not free. It writes 0 into each when their
// attachment ends (detached, or the engine shut down), and forgets the address then; until
// that a slot must stay. Slots already written are freed whenever another one comes.
class TOrphanedHandleSlots {
public:
    void Keep(std::unique_ptr<isc_stmt_handle>& slot) noexcept {
        const std::lock_guard lock(mutex_);
        std::erase_if(slots_, [](const std::unique_ptr<isc_stmt_handle>& kept) {
            return std::atomic_ref(*kept).load() == 0;
        });
        try {
            slots_.push_back(std::move(slot));
        } catch (...) {
            (void)slot.release(); // no room to note it: it stays allocated for good
        }
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<isc_stmt_handle>> slots_;
};

// Never destroyed: the library may write into a kept slot as late as its own exit handling.
TOrphanedHandleSlots& OrphanedHandleSlots() {
    static auto* slots = new TOrphanedHandleSlots;
    return *slots;
}

} // namespace

TSqlStatement::TSqlStatement(TSqlTransaction& transaction, const std::string& sql)
    : transaction_(transaction), handle_(std::make_unique<isc_stmt_handle>(0)) {
    const unsigned short length = SqlLength(sql);
    transaction.RequireActive();
    const auto& client = ClientEntryPoints();
    CheckClientCall(client.isc_dsql_alloc_statement2(
        ThreadStatusVector(), transaction.Attachment().Handle(), handle_.get()));
    // From here on a failure must free the statement: no destructor runs for this object, and
    // the library holds the address of its handle.
    try {
        CheckClientCall(client.isc_dsql_prepare(ThreadStatusVector(), transaction.Handle(),
                                                handle_.get(), length, sql.c_str(), kDialect,
                                                output_.Area()));
        if (output_.Described() > output_.Room()) {
            Describe(false, output_);
        }
        output_.AllocateForOutput();
        columns_ = output_.Columns();
        Describe(true, input_);
        parameters_ = input_.Columns();
        type_ = StatementType();
    } catch (...) {
        Drop(); // after the error was made from the status vector that this overwrites
        throw;
    }
}

TSqlStatement::~TSqlStatement() {
    Drop();
}

void TSqlStatement::Drop() noexcept {
    if (!handle_ || *handle_ == 0 || !IsClientLibraryLoaded()) {
        return;
    }
    ClientEntryPoints().isc_dsql_free_statement(ThreadStatusVector(), handle_.get(), DSQL_drop);
    if (*handle_ != 0) {
        OrphanedHandleSlots().Keep(handle_);
    }
}

void TSqlStatement::Describe(bool parameters, TSqlDescriptorArea& area) {
    const auto& client = ClientEntryPoints();
    auto describe = parameters ? client.isc_dsql_describe_bind : client.isc_dsql_describe;
    CheckClientCall(describe(ThreadStatusVector(), handle_.get(), kDialect, area.Area()));
    if (area.Described() > area.Room()) {
        area.Resize(area.Described());
        CheckClientCall(describe(ThreadStatusVector(), handle_.get(), kDialect, area.Area()));
    }
}

int TSqlStatement::StatementType() {
    const char items[] = {isc_info_sql_stmt_type};
    RawBlock reply;
    constexpr std::size_t kReplySize = 16;
    ReallocZeroed(reply, 0, kReplySize);
    CheckClientCall(ClientEntryPoints().isc_dsql_sql_info(
        ThreadStatusVector(), handle_.get(), sizeof items, items, kReplySize, reply.data()));
    const char* bytes = reply.data();
    if (bytes[0] != isc_info_sql_stmt_type) {
        return 0;
    }
    const auto length = static_cast<std::size_t>(InfoReplyInteger(bytes + 1, 2));
    return length <= 4 ? static_cast<int>(InfoReplyInteger(bytes + 3, length)) : 0;
}

void TSqlStatement::CloseCursor() noexcept {
    if (cursorOpen_) {
        ClientEntryPoints().isc_dsql_free_statement(ThreadStatusVector(), handle_.get(),
                                                    DSQL_close);
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
                                                handle_.get(), kDialect, input));
        cursorOpen_ = true;
    } else if (!columns_.empty()) {
        CheckClientCall(client.isc_dsql_execute2(ThreadStatusVector(), transaction_.Handle(),
                                                 handle_.get(), kDialect, input, output_.Area()));
        singletonPending_ = true;
    } else {
        CheckClientCall(client.isc_dsql_execute(ThreadStatusVector(), transaction_.Handle(),
                                                handle_.get(), kDialect, input));
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
    const ISC_STATUS result = ClientEntryPoints().isc_dsql_fetch(
        ThreadStatusVector(), handle_.get(), kDialect, output_.Area());
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
