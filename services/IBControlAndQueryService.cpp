#include "services/IBControlAndQueryService.h"

#include <cstring>

#include "client/ClientEntryPoints.h"
#include "client/ClientError.h"
#include "client/DatabaseError.h"
#include "trace/MonitorHook.h"
#include "client/StatusVector.h"
#include "platform/ScopeExit.h"

namespace onarim {

namespace {

// Item 63 asks for as much output as fits; replies start with it.
constexpr char kInfoSvcLine = 63;
constexpr char kInfoEnd = 1;
constexpr char kInfoTruncated = 2;
constexpr std::size_t kReplyHeaderLength = 3; // item byte and two length bytes

constexpr std::int32_t kMinBufferSize = 4;
constexpr std::int32_t kMaxBufferSize = 65535;

[[noreturn]] void RaiseUnexpectedOutput() {
    RaiseClientError(ClientErrorCode::UnexpectedOutputBuffer, {std::string()});
}

} // namespace

void TIBControlAndQueryService::SetBufferSize(std::int32_t size) {
    if (size == bufferSize_) {
        return;
    }
    if (size < kMinBufferSize || size > kMaxBufferSize) {
        RaiseClientError(ClientErrorCode::QueryParametersMissing, {std::string()});
    }
    bufferSize_ = size;
    if (!replyBuffer_.empty()) {
        ReallocZeroed(replyBuffer_, 0, static_cast<std::size_t>(size));
    }
}

std::string TIBControlAndQueryService::ReadOutputLine() {
    if (outputEnded_) {
        return {};
    }
    if (serviceAction_ == 0) {
        RaiseClientError(ClientErrorCode::QueryParametersMissing, {std::string()});
    }
    queryItems_.assign(1, kInfoSvcLine);
    QueryService();

    char* reply = replyBuffer_.data();
    if (reply[0] != kInfoSvcLine) {
        RaiseUnexpectedOutput();
    }
    // The client decodes the two bytes sign-extended; the length itself is unsigned.
    const auto length = static_cast<std::uint16_t>(
        ClientEntryPoints().isc_vax_integer(reply + 1, 2));
    const std::size_t terminatorAt = kReplyHeaderLength + length;
    if (terminatorAt >= replyBuffer_.size()) {
        RaiseUnexpectedOutput();
    }
    switch (reply[terminatorAt]) {
    case kInfoTruncated: outputEnded_ = false; break;
    case kInfoEnd: outputEnded_ = true; break;
    default: RaiseUnexpectedOutput();
    }
    reply[terminatorAt] = '\0';
    const char* line = reply + kReplyHeaderLength;
    return std::string(line, strnlen(line, length));
}

void TIBControlAndQueryService::QueryService() {
    // Whatever happens below, the items and their buffer do not outlive this call.
    const ScopeExit release([this] {
        ReallocZeroed(queryItemBuffer_, 0, 0);
        queryItemLength_ = 0;
        queryItems_.clear();
    });

    if (queryItems_.empty() || queryItems_.size() > 32767) {
        RaiseClientError(ClientErrorCode::QueryParametersMissing, {std::string()});
    }
    ReallocZeroed(queryItemBuffer_, 0, queryItems_.size());
    std::memcpy(queryItemBuffer_.data(), queryItems_.data(), queryItems_.size());
    queryItemLength_ = static_cast<std::int16_t>(queryItems_.size());
    if (replyBuffer_.empty()) {
        ReallocZeroed(replyBuffer_, 0, static_cast<std::size_t>(bufferSize_));
    }

    // No attachment check: a detached component passes handle 0 and gets the library's error.
    const ISC_STATUS result = ClientEntryPoints().isc_service_query(
        ThreadStatusVector(), ServiceHandleAddress(), nullptr, 0, nullptr,
        static_cast<unsigned short>(queryItemLength_), queryItemBuffer_.data(),
        static_cast<unsigned short>(replyBuffer_.size()), replyBuffer_.data());
    if (ClientCallFailed(result)) {
        // The status vector's texts may live in the service's own memory: the error is made
        // from them before the detach frees it.
        try {
            RaiseDatabaseError();
        } catch (...) {
            AbandonAttachment();
            throw;
        }
    }
    if (auto hook = GetMonitorHook()) {
        hook->TraceServiceQuery(*this);
    }
}

} // namespace onarim
