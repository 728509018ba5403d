#include "client/SqlAttachment.h"

#include "client/ClientEntryPoints.h"
#include "client/ClientError.h"
#include "client/ClientLibrary.h"
#include "client/DatabaseError.h"
#include "client/SqlParameterBlock.h"
#include "client/StatusVector.h"

namespace onarim {

namespace {

constexpr std::size_t kMaxPathLength = 32767;
constexpr int kDatabaseNameMissing = 17;
constexpr int kCannotSetDatabase = 8;

void CheckPath(const std::string& path) {
    if (path.empty()) {
        RaiseClientError(kDatabaseNameMissing);
    }
    if (path.find('\0') != std::string::npos) {
        RaiseClientError(kCannotSetDatabase);
    }
    if (path.size() > kMaxPathLength) {
        RaiseClientError(
            ClientErrorCode::ValueTooLong,
            {static_cast<std::int64_t>(path.size()), static_cast<std::int64_t>(kMaxPathLength)});
    }
}

void BuildDatabaseParameters(TSqlParameterBlock& block, const std::string& user,
                             const std::string& password, TSqlIntent intent) {
    block.AddText(isc_dpb_user_name, user);
    block.AddText(isc_dpb_password, password);
    block.AddText(isc_dpb_lc_ctype, "UTF8");
    block.AddText(isc_dpb_utf8_filename, "");
    block.AddText(isc_dpb_no_garbage_collect, "");
    // Only the engine in this process: without this the client hands a file it cannot open
    // to the server on localhost, which would then read the file on our behalf. And no
    // garbage collector thread either: no_garbage_collect keeps only the attachment itself
    // from collecting, and the engine's background collector, racing the salvage's runs of
    // metadata changes, left now and then (about one salvage in twenty on Firebird 3.0.11) a
    // back version of RDB$RELATIONS that no row owns, a warning of every full validation.
    block.AddText(isc_dpb_config, "Providers=Engine12\nGCPolicy=cooperative");
    if (intent == TSqlIntent::ReadOnly) {
        block.AddByte(isc_dpb_no_db_triggers, 1);
    }
}

} // namespace

TSqlAttachment::TSqlAttachment(const std::string& path, const std::string& user,
                               const std::string& password, TSqlIntent intent)
    : path_(path), intent_(intent) {
    CheckPath(path);
    EnsureClientLibrary();
    RawBlock parameters;
    {
        TSqlParameterBlock block(isc_dpb_version1);
        BuildDatabaseParameters(block, user, password, intent);
        block.CopyTo(parameters);
    }
    const ISC_STATUS result = ClientEntryPoints().isc_attach_database(
        ThreadStatusVector(), static_cast<short>(path.size()), path.data(), &handle_,
        static_cast<short>(parameters.size()), parameters.data());
    WipeRawBlock(parameters);
    if (ClientCallFailed(result)) {
        handle_ = 0;
        RaiseDatabaseError();
    }
}

TSqlAttachment::~TSqlAttachment() {
    if (handle_ != 0 && IsClientLibraryLoaded()) {
        ClientEntryPoints().isc_detach_database(ThreadStatusVector(), &handle_);
    }
}

void TSqlAttachment::Detach() {
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
