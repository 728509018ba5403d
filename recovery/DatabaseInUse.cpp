#include "recovery/DatabaseInUse.h"

#include "client/IBErrors.h"
#include "client/SqlAttachment.h"
#include "client/SqlStatement.h"
#include "client/SqlTransaction.h"

namespace onarim {

namespace {

constexpr const char* kOtherAttachmentsQuery =
    "SELECT COUNT(*) FROM MON$ATTACHMENTS"
    " WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND MON$SYSTEM_FLAG = 0";

std::int64_t OtherAttachments(TSqlAttachment& attachment) {
    TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadOnlyReadCommitted);
    TSqlStatement statement(transaction, kOtherAttachmentsQuery);
    statement.Execute();
    statement.Fetch();
    return statement.Value(0).AsInteger();
}

} // namespace

bool DatabaseInUse(const std::string& path, const TCredentials& credentials) {
    try {
        TSqlAttachment attachment(path, credentials.user, credentials.password,
                                  TSqlIntent::ReadOnly);
        return OtherAttachments(attachment) > 0;
    } catch (const EIBInterBaseError& error) {
        if (error.HasStatusCode(isc_already_opened)) {
            return true;
        }
        throw;
    }
}

} // namespace onarim
