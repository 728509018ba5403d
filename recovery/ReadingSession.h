#pragma once

#include <memory>
#include <string>

#include "client/SqlAttachment.h"
#include "client/SqlTransaction.h"
#include "recovery/Credentials.h"

namespace onarim {

// A read-only attachment with one read-only transaction that is made anew when a failure
// has left it unusable: after an internal consistency check of the engine every call on the
// attachment answers "can't continue after bugcheck".
class TReadingSession {
public:
    // Attaches. Raises EIBInterBaseError (or EIBClientError) when it cannot.
    TReadingSession(std::string path, TCredentials credentials);

    // The transaction to read in, on a fresh attachment if the last one was given up.
    // Raises EIBInterBaseError when the database can no longer be attached.
    TSqlTransaction& Transaction();

    // Tells the session that a call failed: it checks whether the attachment still answers
    // and gives it up if not (then returns false). Everything made in the transaction must be
    // gone by the next call of Transaction() when Generation() has changed. Never raises.
    bool CheckAfterFailure() noexcept;

    // Counts the attachments made; prepared statements belong to one generation.
    int Generation() const noexcept { return generation_; }

    // The database file read.
    const std::string& Path() const noexcept { return path_; }

private:
    void Attach();

    std::string path_;
    TCredentials credentials_;
    // Destroyed in reverse order: the transaction before the attachment it runs on, which
    // refuses to detach while a transaction is open.
    std::unique_ptr<TSqlAttachment> attachment_;
    std::unique_ptr<TSqlTransaction> transaction_;
    int generation_ = 0;
};

} // namespace onarim
