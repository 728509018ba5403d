#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "client/FirebirdApi.h"
#include "client/ReallocZeroed.h"
#include "trace/TracedComponent.h"
#include "services/ParamList.h"

namespace onarim {

// How the service manager's name is formed from the server name.
enum class TProtocol : std::uint8_t { TCP = 0, SPX = 1, NamedPipe = 2, Local = 3 };

class TIBCustomService;

// Replaces the login dialog: receives a copy of the parameter lines to edit; can stop the
// attach only by raising.
using TLoginEvent = std::function<void(TIBCustomService& database, std::vector<std::string>& loginParams)>;
using TServiceNotifyEvent = std::function<void(TIBCustomService& sender)>;

// The process-wide login dialog: server name in, user name and password in and out; returns
// true when the user accepted. Empty until the program installs one.
using TLoginDialogHook = std::function<bool(const std::string& serverName, std::string& userName,
                                            std::string& password, bool userNameReadOnly)>;
void SetLoginDialogHook(TLoginDialogHook hook);
const TLoginDialogHook& LoginDialogHook();

// Base of the service components: holds the connection settings and the parameter lines,
// attaches to and detaches from the server's service manager, and guards every other
// operation with checks that it is attached or detached. Used from one thread at a time.
//
// Constructing one loads the client library (EIBClientError 1 when it cannot be loaded).
class TIBCustomService : public TTracedComponent {
public:
    explicit TIBCustomService(TComponent* owner = nullptr, std::string name = {});
    ~TIBCustomService() override;

    // True exactly while attached. Setting it attaches or detaches (nothing when unchanged);
    // while stored settings are being loaded it is only recorded.
    bool Active() const noexcept { return serviceHandle_ != 0; }
    void SetActive(bool value);

    const std::string& ServerName() const noexcept { return serverName_; }
    void SetServerName(const std::string& value);
    TProtocol Protocol() const noexcept { return protocol_; }
    void SetProtocol(TProtocol value);
    // Every change of the lines is refused while attached (client error 91).
    TParamList& Params() noexcept { return params_; }
    const TParamList& Params() const noexcept { return params_; }
    void SetParams(const std::vector<std::string>& lines) { params_.Assign(lines); }
    bool LoginPrompt() const noexcept { return loginPrompt_; }
    void SetLoginPrompt(bool value) noexcept { loginPrompt_ = value; }
    void SetOnAttach(TServiceNotifyEvent handler) { onAttach_ = std::move(handler); }
    void SetOnLogin(TLoginEvent handler) { onLogin_ = std::move(handler); }

    // The client library's service handle; 0 when not attached.
    isc_svc_handle ServiceHandle() const noexcept { return serviceHandle_; }

    // Stored settings: between BeginLoading and Loaded, writes of Active are only recorded;
    // Loaded attaches when Active was recorded true.
    void BeginLoading() noexcept { loading_ = true; }
    void Loaded();

    // Checks. RequireAttached first completes a recorded attach.
    void RequireAttached();
    void RequireDetached() const;
    void RequireServerName() const;

    // Lets the OnLogin handler or the login dialog supply the credentials; false = cancelled.
    bool PromptLogin();

    // Name of the service manager for the protocol and server name.
    std::string ServiceManagerName() const;

protected:
    // Ends the attachment after a failed service call: asks the library to detach (its answer
    // goes to a status vector of its own, so the calling thread's still holds the failed call's
    // error for raising) and forgets the handle. Raises nothing.
    void AbandonAttachment() noexcept;
    isc_svc_handle* ServiceHandleAddress() noexcept { return &serviceHandle_; }

private:
    void AttachService();
    void DetachService();
    void DetachQuietly() noexcept;

    bool libraryReady_ = false;
    bool paramsDirty_ = true;
    RawBlock parameterBlock_;
    std::int16_t parameterBlockLength_ = 0;
    TLoginEvent onLogin_;
    bool loginPrompt_ = true;
    std::string serverName_;
    isc_svc_handle serviceHandle_ = 0;
    bool loading_ = false;
    bool pendingActive_ = false;
    TServiceNotifyEvent onAttach_;
    TProtocol protocol_ = TProtocol::Local;
    TParamList params_;
};

} // namespace onarim
