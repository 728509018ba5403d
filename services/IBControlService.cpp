#include "services/IBControlService.h"

#include <cstring>

#include "client/ClientEntryPoints.h"
#include "client/ClientError.h"
#include "client/DatabaseError.h"
#include "trace/MonitorHook.h"
#include "client/StatusVector.h"
#include "platform/ScopeExit.h"

namespace onarim {

namespace {

constexpr std::size_t kMaxStartStringLength = 65535;

} // namespace

void TIBControlService::ServiceStart() {
    RequireAttached();
    try {
        BuildStartRequest();
    } catch (...) {
        startRequest_.clear(); // a request refused half-built is never sent later
        throw;
    }
    SendStartRequest();
}

void TIBControlService::AddStartString(const std::string& text, std::uint8_t code) {
    if (text.size() > kMaxStartStringLength) {
        RaiseClientError(ClientErrorCode::ValueTooLong,
                         {static_cast<std::int64_t>(text.size()),
                          static_cast<std::int64_t>(kMaxStartStringLength)});
    }
    if (text.empty()) {
        return;
    }
    startRequest_ += static_cast<char>(code);
    startRequest_ += static_cast<char>(text.size() & 0xFF);
    startRequest_ += static_cast<char>((text.size() >> 8) & 0xFF);
    startRequest_ += text;
}

void TIBControlService::AddStartInteger(std::int32_t value, std::uint8_t code) {
    const auto bits = static_cast<std::uint32_t>(value);
    startRequest_ += static_cast<char>(code);
    for (int shift = 0; shift < 32; shift += 8) {
        startRequest_ += static_cast<char>((bits >> shift) & 0xFF);
    }
}

void TIBControlService::SendStartRequest() {
    // Whatever happens below, the request and the buffer do not outlive this call.
    const ScopeExit release([this] {
        ReallocZeroed(startBuffer_, 0, 0);
        startBufferLength_ = 0;
        startRequest_.clear();
    });

    // A request is at most one action byte and a few 65535-byte items; it always fits the
    // 16-bit length once AddStartString has refused longer texts, except when several long
    // items add up: that is refused too rather than sent cut.
    const std::size_t length = startRequest_.size();
    if (length == 0) {
        RaiseClientError(ClientErrorCode::StartParametersMissing, {std::string()});
    }
    if (length > 65535) {
        RaiseClientError(ClientErrorCode::ValueTooLong,
                         {static_cast<std::int64_t>(length), std::int64_t{65535}});
    }
    ReallocZeroed(startBuffer_, 0, length);
    std::memcpy(startBuffer_.data(), startRequest_.data(), length);
    startBufferLength_ = static_cast<std::int32_t>(length);

    const ISC_STATUS result = ClientEntryPoints().isc_service_start(
        ThreadStatusVector(), ServiceHandleAddress(), nullptr,
        static_cast<unsigned short>(startBufferLength_), startBuffer_.data());
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
        hook->TraceServiceStart(*this);
    }
}

} // namespace onarim
