#include "services/IBCustomService.h"

#include <cstring>

#include "client/ClientEntryPoints.h"
#include "client/ClientError.h"
#include "client/ClientLibrary.h"
#include "client/DatabaseError.h"
#include "trace/MonitorHook.h"
#include "client/StatusVector.h"
#include "services/ServiceParameterBlock.h"

namespace onarim {

namespace {

TLoginDialogHook loginDialogHook;

constexpr std::size_t kMaxServiceManagerNameLength = 65535;

} // namespace

void SetLoginDialogHook(TLoginDialogHook hook) { loginDialogHook = std::move(hook); }
const TLoginDialogHook& LoginDialogHook() { return loginDialogHook; }

TIBCustomService::TIBCustomService(TComponent* owner, std::string name)
    : TTracedComponent(owner, std::move(name)) {
    EnsureClientLibrary();
    libraryReady_ = true;
    params_.SetHooks([this] { RequireDetached(); }, [this] { paramsDirty_ = true; });
}

TIBCustomService::~TIBCustomService() {
    if (libraryReady_ && Active()) {
        DetachQuietly();
    }
}

// At program end the client library or the trace hook may already be gone: detach only
// through what is still there, and never let an error leave a destructor.
void TIBCustomService::DetachQuietly() noexcept {
    try {
        const bool detached =
            IsClientLibraryLoaded() &&
            !ClientCallFailed(
                ClientEntryPoints().isc_service_detach(ThreadStatusVector(), &serviceHandle_));
        serviceHandle_ = 0;
        if (!detached) {
            return; // only a detach that happened is announced
        }
        if (auto hook = GetMonitorHook()) {
            hook->TraceServiceDetach(*this);
        }
    } catch (...) {
        serviceHandle_ = 0;
    }
}

// A service handle that is merely forgotten stays open in the client library until the
// program ends; the desktop program runs many repairs, and each failed validation start would
// leave one behind.
void TIBCustomService::AbandonAttachment() noexcept {
    if (serviceHandle_ != 0 && IsClientLibraryLoaded()) {
        ISC_STATUS ownStatus[kStatusVectorLength] = {};
        try {
            ClientEntryPoints().isc_service_detach(ownStatus, &serviceHandle_);
        } catch (...) {
            // An older client's fallback raises; there is nothing to detach then.
        }
    }
    serviceHandle_ = 0;
}

void TIBCustomService::SetActive(bool value) {
    if (loading_) {
        pendingActive_ = value;
        return;
    }
    if (value == Active()) {
        return;
    }
    if (value) {
        AttachService();
    } else {
        DetachService();
    }
}

void TIBCustomService::SetServerName(const std::string& value) {
    if (value == serverName_) {
        return;
    }
    RequireDetached();
    serverName_ = value;
}

void TIBCustomService::SetProtocol(TProtocol value) {
    if (value == protocol_) {
        return;
    }
    RequireDetached();
    protocol_ = value;
    if (value == TProtocol::Local) {
        serverName_.clear();
    }
}

void TIBCustomService::Loaded() {
    loading_ = false;
    if (pendingActive_ && !Active()) {
        AttachService();
    }
}

void TIBCustomService::RequireAttached() {
    if (pendingActive_ && !Active()) {
        Loaded();
    }
    if (serviceHandle_ == 0) {
        RaiseClientError(ClientErrorCode::ServiceNotAttached, {std::string()});
    }
}

void TIBCustomService::RequireDetached() const {
    if (serviceHandle_ != 0) {
        RaiseClientError(ClientErrorCode::ServiceAttached, {std::string()});
    }
}

void TIBCustomService::RequireServerName() const {
    if (serverName_.empty() && protocol_ != TProtocol::Local) {
        RaiseClientError(ClientErrorCode::ServerNameMissing, {std::string()});
    }
}

bool TIBCustomService::PromptLogin() {
    if (onLogin_) {
        std::vector<std::string> loginParams = params_.Lines();
        onLogin_(*this, loginParams);
        params_.Assign(std::move(loginParams));
        return true;
    }
    auto valueOf = [this](int index) {
        if (index < 0) {
            return std::string();
        }
        const std::string& line = params_[static_cast<std::size_t>(index)];
        const std::size_t equals = line.find('=');
        return equals == std::string::npos ? std::string() : line.substr(equals + 1);
    };
    const int userLine = FindParamLine(params_.Lines(), "user_name");
    std::string userName = valueOf(userLine);
    std::string password = valueOf(FindParamLine(params_.Lines(), "password"));

    const bool accepted =
        loginDialogHook && loginDialogHook(serverName_, userName, password, false);
    if (!accepted) {
        return false;
    }
    auto put = [this](int index, std::string line) {
        if (index < 0) {
            params_.Add(std::move(line));
        } else {
            params_.Set(static_cast<std::size_t>(index), std::move(line));
        }
    };
    const int passwordLine = FindParamLine(params_.Lines(), "password");
    put(userLine, "user_name=" + userName);
    put(passwordLine, "password=" + password);
    return true;
}

std::string TIBCustomService::ServiceManagerName() const {
    switch (protocol_) {
    case TProtocol::TCP: return serverName_ + ":service_mgr";
    case TProtocol::SPX: return serverName_ + "@service_mgr";
    case TProtocol::NamedPipe: return "\\\\" + serverName_ + "\\service_mgr";
    case TProtocol::Local: break;
    }
    return "service_mgr";
}

void TIBCustomService::AttachService() {
    RequireDetached();
    RequireServerName();
    if (loginPrompt_ && !PromptLogin()) {
        RaiseClientError(ClientErrorCode::OperationCancelled, {std::string()});
    }
    if (paramsDirty_) {
        // Built aside first: after a failed build the stored block and its length still
        // belong together, and the flag stays set so that the next attach builds again.
        const std::string block = BuildParameterBlock(params_.Lines());
        ReallocZeroed(parameterBlock_, 0, block.size());
        std::memcpy(parameterBlock_.data(), block.data(), block.size());
        parameterBlockLength_ = static_cast<std::int16_t>(block.size());
        paramsDirty_ = false;
    }
    const std::string name = ServiceManagerName();
    if (name.size() > kMaxServiceManagerNameLength) {
        RaiseClientError(ClientErrorCode::ValueTooLong,
                         {static_cast<std::int64_t>(name.size()),
                          static_cast<std::int64_t>(kMaxServiceManagerNameLength)});
    }
    const ISC_STATUS result = ClientEntryPoints().isc_service_attach(
        ThreadStatusVector(), static_cast<unsigned short>(name.size()), name.c_str(),
        &serviceHandle_, static_cast<unsigned short>(parameterBlockLength_),
        parameterBlock_.data());
    if (ClientCallFailed(result)) {
        serviceHandle_ = 0;
        RaiseDatabaseError();
    }
    if (onAttach_) {
        onAttach_(*this);
    }
    if (auto hook = GetMonitorHook()) {
        hook->TraceServiceAttach(*this);
    }
}

void TIBCustomService::DetachService() {
    RequireAttached();
    const ISC_STATUS result =
        ClientEntryPoints().isc_service_detach(ThreadStatusVector(), &serviceHandle_);
    serviceHandle_ = 0;
    if (ClientCallFailed(result)) {
        RaiseDatabaseError();
    }
    if (auto hook = GetMonitorHook()) {
        hook->TraceServiceDetach(*this);
    }
}

} // namespace onarim
