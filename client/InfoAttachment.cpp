#include "client/InfoAttachment.h"

#include <cstddef>

#include "client/ClientEntryPoints.h"
#include "client/ClientError.h"
#include "client/ClientLibrary.h"
#include "client/DatabaseError.h"
#include "client/ReallocZeroed.h"
#include "client/SqlParameterBlock.h"
#include "client/StatusVector.h"

namespace onarim {

namespace {

constexpr std::size_t kMaxConnectionLength = 32767;
// Twelve numbers of at most 8 bytes with their 3-byte headers, and the end.
constexpr std::size_t kReplySize = 256;

} // namespace

TInfoAttachment::TInfoAttachment(const std::string& connection, const std::string& user,
                                 const std::string& password) {
    if (connection.size() > kMaxConnectionLength) {
        RaiseClientError(ClientErrorCode::ValueTooLong,
                         {static_cast<std::int64_t>(connection.size()),
                          static_cast<std::int64_t>(kMaxConnectionLength)});
    }
    EnsureClientLibrary();
    RawBlock parameters;
    {
        TSqlParameterBlock block(isc_dpb_version1);
        block.AddText(isc_dpb_user_name, user);
        block.AddText(isc_dpb_password, password);
        block.AddText(isc_dpb_utf8_filename, "");
        block.AddText(isc_dpb_no_garbage_collect, "");
        block.AddByte(isc_dpb_no_db_triggers, 1);
        block.CopyTo(parameters);
    }
    const ISC_STATUS result = ClientEntryPoints().isc_attach_database(
        ThreadStatusVector(), static_cast<short>(connection.size()), connection.data(), &handle_,
        static_cast<short>(parameters.size()), parameters.data());
    WipeRawBlock(parameters);
    if (ClientCallFailed(result)) {
        handle_ = 0;
        RaiseDatabaseError();
    }
}

TInfoAttachment::~TInfoAttachment() {
    if (handle_ != 0 && IsClientLibraryLoaded()) {
        ClientEntryPoints().isc_detach_database(ThreadStatusVector(), &handle_);
    }
}

TDatabaseInfo TInfoAttachment::DatabaseInfo() {
    const std::string_view items = DatabaseInfoItems();
    RawBlock reply;
    ReallocZeroed(reply, 0, kReplySize);
    const ISC_STATUS result = ClientEntryPoints().isc_database_info(
        ThreadStatusVector(), &handle_, static_cast<short>(items.size()), items.data(),
        static_cast<short>(reply.size()), reply.data());
    if (ClientCallFailed(result)) {
        RaiseDatabaseError();
    }
    return DecodeDatabaseInfo(std::string_view(reply.data(), reply.size()));
}

void TInfoAttachment::Detach() {
    if (handle_ == 0) {
        return;
    }
    const ISC_STATUS result =
        ClientEntryPoints().isc_detach_database(ThreadStatusVector(), &handle_);
    handle_ = 0;
    if (ClientCallFailed(result)) {
        RaiseDatabaseError();
    }
}

} // namespace onarim
