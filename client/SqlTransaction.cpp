#include "client/SqlTransaction.h"

#include "client/ClientEntryPoints.h"
#include "client/ClientError.h"
#include "client/ClientLibrary.h"
#include "client/DatabaseError.h"
#include "client/SqlAttachment.h"
#include "client/SqlParameterBlock.h"
#include "client/StatusVector.h"

namespace onarim {

namespace {

constexpr int kNotPermitted = 5;
constexpr int kDatabaseNotOpen = 15;
constexpr int kTransactionNotActive = 18;

// One database of a transaction, laid out as isc_start_multiple reads it.
struct TransactionExistenceBlock {
    isc_db_handle* database;
    int parameterLength;
    const char* parameters;
};

void BuildTransactionParameters(TSqlParameterBlock& block, TSqlTransactionKind kind) {
    if (kind == TSqlTransactionKind::ReadOnlyReadCommitted) {
        block.AddTag(isc_tpb_read);
        block.AddTag(isc_tpb_read_committed);
        block.AddTag(isc_tpb_rec_version);
    } else {
        block.AddTag(isc_tpb_write);
        block.AddTag(isc_tpb_concurrency);
    }
    block.AddTag(isc_tpb_nowait);
}

} // namespace

TSqlTransaction::TSqlTransaction(TSqlAttachment& attachment, TSqlTransactionKind kind)
    : attachment_(attachment), kind_(kind) {
    if (kind == TSqlTransactionKind::ReadWriteSnapshot &&
        attachment.Intent() == TSqlIntent::ReadOnly) {
        RaiseClientError(kNotPermitted);
    }
    if (!attachment.Attached()) {
        RaiseClientError(kDatabaseNotOpen);
    }
    RawBlock parameters;
    TSqlParameterBlock block(isc_tpb_version3);
    BuildTransactionParameters(block, kind);
    block.CopyTo(parameters);
    TransactionExistenceBlock database{attachment.Handle(), static_cast<int>(parameters.size()),
                                       parameters.data()};
    if (ClientCallFailed(
            ClientEntryPoints().isc_start_multiple(ThreadStatusVector(), &handle_, 1, &database))) {
        handle_ = 0;
        RaiseDatabaseError();
    }
}

TSqlTransaction::~TSqlTransaction() {
    if (handle_ != 0 && IsClientLibraryLoaded()) {
        ClientEntryPoints().isc_rollback_transaction(ThreadStatusVector(), &handle_);
    }
}

void TSqlTransaction::RequireActive() const {
    if (handle_ == 0) {
        RaiseClientError(kTransactionNotActive);
    }
}

void TSqlTransaction::Commit() {
    RequireActive();
    if (ClientCallFailed(
            ClientEntryPoints().isc_commit_transaction(ThreadStatusVector(), &handle_))) {
        RaiseDatabaseError();
    }
    handle_ = 0;
}

void TSqlTransaction::Rollback() {
    RequireActive();
    const ISC_STATUS result =
        ClientEntryPoints().isc_rollback_transaction(ThreadStatusVector(), &handle_);
    handle_ = 0;
    if (ClientCallFailed(result)) {
        RaiseDatabaseError();
    }
}

} // namespace onarim
