#include "client/SqlBlob.h"

#include <algorithm>
#include <cstring>

#include "client/ClientCall.h"
#include "client/ClientEntryPoints.h"
#include "client/ClientError.h"
#include "client/ClientLibrary.h"
#include "client/ReallocZeroed.h"
#include "client/SqlAttachment.h"
#include "client/SqlTransaction.h"

namespace onarim {

namespace {

// The largest segment the interface can carry in one call.
constexpr std::size_t kSegmentSize = 65535;
constexpr std::size_t kInfoReplySize = 32;

void CloseQuietly(isc_blob_handle& handle) {
    if (handle != 0 && IsClientLibraryLoaded()) {
        ClientEntryPoints().isc_close_blob(ThreadStatusVector(), &handle);
    }
    handle = 0;
}

} // namespace

TSqlBlob::TSqlBlob(TSqlTransaction& transaction, ISC_QUAD id) {
    transaction.RequireActive();
    CheckClientCall(
        ClientEntryPoints().isc_open_blob2(ThreadStatusVector(), transaction.Attachment().Handle(),
                                           transaction.Handle(), &handle_, &id, 0, nullptr));
}

TSqlBlob::~TSqlBlob() {
    CloseQuietly(handle_);
}

std::int64_t TSqlBlob::Length() {
    const char items[] = {isc_info_blob_total_length};
    RawBlock reply;
    ReallocZeroed(reply, 0, kInfoReplySize);
    CheckClientCall(ClientEntryPoints().isc_blob_info(ThreadStatusVector(), &handle_, sizeof items,
                                                      items, kInfoReplySize, reply.data()));
    const char* bytes = reply.data();
    if (bytes[0] != isc_info_blob_total_length) {
        RaiseClientError(ClientErrorCode::UnexpectedOutputBuffer);
    }
    const auto length = static_cast<std::size_t>(InfoReplyInteger(bytes + 1, 2));
    if (length == 0 || length > 8 || length > kInfoReplySize - 3) {
        RaiseClientError(ClientErrorCode::UnexpectedOutputBuffer);
    }
    return InfoReplyInteger(bytes + 3, length);
}

std::string TSqlBlob::ReadAll() {
    RawBlock segment;
    ReallocZeroed(segment, 0, kSegmentSize);
    std::string bytes;
    while (true) {
        unsigned short got = 0;
        const ISC_STATUS result = ClientEntryPoints().isc_get_segment(
            ThreadStatusVector(), &handle_, &got, kSegmentSize, segment.data());
        // A segment longer than the buffer comes in parts, each reported as isc_segment.
        if (result == isc_segstr_eof) {
            return bytes;
        }
        if (result != isc_segment) {
            CheckClientCall(result);
        }
        bytes.append(segment.data(), std::min<std::size_t>(got, kSegmentSize));
    }
}

ISC_QUAD TSqlBlob::Create(TSqlTransaction& transaction, std::string_view bytes,
                          std::optional<short> fromCharset) {
    transaction.RequireActive();
    const auto& client = ClientEntryPoints();
    isc_blob_handle handle = 0;
    ISC_QUAD id{};
    constexpr char kText = 1, kUtf8 = 4;
    const char parameters[] = {isc_bpb_version1,
                               isc_bpb_source_type,
                               1,
                               kText,
                               isc_bpb_source_interp,
                               1,
                               static_cast<char>(fromCharset.value_or(0)),
                               isc_bpb_target_type,
                               1,
                               kText,
                               isc_bpb_target_interp,
                               1,
                               kUtf8};
    CheckClientCall(client.isc_create_blob2(ThreadStatusVector(), transaction.Attachment().Handle(),
                                            transaction.Handle(), &handle, &id,
                                            fromCharset ? static_cast<short>(sizeof parameters) : 0,
                                            fromCharset ? parameters : nullptr));
    RawBlock segment;
    ReallocZeroed(segment, 0, kSegmentSize);
    for (std::size_t offset = 0; offset < bytes.size(); offset += kSegmentSize) {
        const std::size_t length = std::min(kSegmentSize, bytes.size() - offset);
        std::memcpy(segment.data(), bytes.data() + offset, length);
        if (ClientCallFailed(client.isc_put_segment(ThreadStatusVector(), &handle,
                                                    static_cast<unsigned short>(length),
                                                    segment.data()))) {
            // The part written is a blob nothing refers to; the engine drops it.
            RaiseDatabaseErrorThen([&handle] { CloseQuietly(handle); });
        }
    }
    CheckClientCall(client.isc_close_blob(ThreadStatusVector(), &handle));
    return id;
}

} // namespace onarim
