#include "recovery/ReadingSession.h"

#include "client/IBErrors.h"
#include "client/SqlStatement.h"

namespace onarim {

TReadingSession::TReadingSession(std::string path, TCredentials credentials)
    : path_(std::move(path)), credentials_(std::move(credentials)) {
    Attach();
}

void TReadingSession::Attach() {
    transaction_.reset();
    attachment_.reset();
    attachment_ = std::make_unique<TSqlAttachment>(path_, credentials_.user, credentials_.password,
                                                   TSqlIntent::ReadOnly);
    transaction_ =
        std::make_unique<TSqlTransaction>(*attachment_, TSqlTransactionKind::ReadOnlyReadCommitted);
    ++generation_;
}

TSqlTransaction& TReadingSession::Transaction() {
    if (!transaction_) {
        Attach();
    }
    return *transaction_;
}

bool TReadingSession::CheckAfterFailure() noexcept {
    if (!transaction_) {
        return false;
    }
    try {
        TSqlStatement probe(*transaction_, "SELECT 1 FROM RDB$DATABASE");
        probe.Execute();
        probe.Fetch();
        return true;
    } catch (const EIBError&) {
    }
    // Neither the transaction nor the attachment can be ended cleanly after a bugcheck; their
    // destructors do what can be done.
    transaction_.reset();
    attachment_.reset();
    ++generation_;
    return false;
}

} // namespace onarim
