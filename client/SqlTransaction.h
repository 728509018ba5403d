#pragma once

#include "client/FirebirdApi.h"

namespace onarim {

class TSqlAttachment;

// The two kinds of transaction the program needs. Neither waits for a lock: a conflict fails
// at once instead of hanging the repair.
enum class TSqlTransactionKind {
    // Reads what is committed at each statement, changes nothing (isc_tpb_read,
    // read_committed, rec_version, nowait). For counting and reading rows.
    ReadOnlyReadCommitted,
    // Sees the database as it was at its start and may write (isc_tpb_write, concurrency,
    // nowait). For writing rows back.
    ReadWriteSnapshot,
};

// One transaction on one attachment, started when constructed. Rolled back when it goes
// without having been committed or rolled back. The attachment must outlive it.
class TSqlTransaction {
public:
    // Starts the transaction. Raises EIBClientError 5 ("Not permitted") for a read-write
    // transaction on an attachment made with TSqlIntent::ReadOnly, 15 when the attachment is
    // detached, and EIBInterBaseError when the server refuses the start.
    TSqlTransaction(TSqlAttachment& attachment, TSqlTransactionKind kind);
    // Rolls back if still active. Never raises.
    ~TSqlTransaction();
    TSqlTransaction(const TSqlTransaction&) = delete;
    TSqlTransaction& operator=(const TSqlTransaction&) = delete;

    // End the transaction. Raise EIBClientError 18 when it is no longer active and
    // EIBInterBaseError when the server reports a failure; a failed commit leaves the
    // transaction active (it may still be rolled back), a failed rollback does not.
    void Commit();
    void Rollback();

    bool Active() const noexcept { return handle_ != 0; }
    TSqlTransactionKind Kind() const noexcept { return kind_; }
    TSqlAttachment& Attachment() const noexcept { return attachment_; }
    // The client library's handle, for the calls of statements and blobs.
    isc_tr_handle* Handle() noexcept { return &handle_; }

    // Raises EIBClientError 18 unless the transaction is active.
    void RequireActive() const;

private:
    TSqlAttachment& attachment_;
    TSqlTransactionKind kind_;
    isc_tr_handle handle_ = 0;
};

} // namespace onarim
