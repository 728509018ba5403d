#pragma once

#include <string>

#include "client/FirebirdApi.h"

namespace onarim {

// What an attachment is for. ReadOnly promises to change nothing: the attachment runs no
// database triggers (an ON CONNECT trigger may write) and starts no read-write transaction.
enum class TSqlIntent { ReadWrite, ReadOnly };

// One attachment to a local database file through the client library's embedded engine, for
// dynamic SQL. It never collects garbage, so reading a table leaves its deleted rows (and any
// damage among them) where they are, and it talks UTF8 whatever the database's character set.
// Used from one thread at a time; statements, transactions and blobs made on it must go
// before it does.
class TSqlAttachment {
public:
    // Attaches to the database at `path` (UTF-8, handed over as such whatever the locale) as
    // `user` with `password`. Loads the client library first if needed (EIBClientError 1 when
    // it cannot be loaded). Raises EIBClientError 17 for an empty path, 8 for a path holding a
    // zero byte (the engine would open the file named by the part before it), 119 for a path
    // past 32767 bytes or a user name or password past 255 bytes, and EIBInterBaseError with
    // the server's message when the attach fails (no such file, not a database, a file the
    // engine cannot lock because another process has it open, a wrong password).
    TSqlAttachment(const std::string& path, const std::string& user, const std::string& password,
                   TSqlIntent intent = TSqlIntent::ReadWrite);
    // Detaches if still attached. Never raises: an attachment broken by an internal
    // consistency check of the engine cannot even be detached cleanly.
    ~TSqlAttachment();
    TSqlAttachment(const TSqlAttachment&) = delete;
    TSqlAttachment& operator=(const TSqlAttachment&) = delete;

    // Detaches; raises EIBInterBaseError when the client library reports a failure (the
    // handle is forgotten all the same). Nothing when already detached.
    void Detach();

    bool Attached() const noexcept { return handle_ != 0; }
    TSqlIntent Intent() const noexcept { return intent_; }
    const std::string& Path() const noexcept { return path_; }
    // The client library's handle, for the calls of transactions, statements and blobs.
    isc_db_handle* Handle() noexcept { return &handle_; }

private:
    std::string path_;
    TSqlIntent intent_;
    isc_db_handle handle_ = 0;
};

} // namespace onarim
