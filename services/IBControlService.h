#pragma once

#include <cstdint>
#include <string>

#include "services/IBCustomService.h"

namespace onarim {

// A service component that can start a service action: the subclass builds the start request,
// ServiceStart sends it to the attached service manager.
class TIBControlService : public TIBCustomService {
public:
    using TIBCustomService::TIBCustomService;

    // Builds the start request (BuildStartRequest) and sends it. Raises EIBClientError 90 when
    // detached, 94 when there is nothing to send; a failed start detaches (AbandonAttachment)
    // and raises the server's error. The request is empty afterwards in every case.
    virtual void ServiceStart();

    const std::string& StartRequest() const noexcept { return startRequest_; }

protected:
    // Fills the start request; adds nothing here.
    virtual void BuildStartRequest() {}

    void SetStartRequest(std::string request) { startRequest_ = std::move(request); }
    // Appends an item: the code, the text's byte length in two bytes (lowest first), the bytes.
    // An empty text appends nothing; one longer than 65535 bytes raises EIBClientError 119.
    void AddStartString(const std::string& text, std::uint8_t code);
    // Appends an item: the code, then the value's four bytes, lowest first.
    void AddStartInteger(std::int32_t value, std::uint8_t code);

private:
    void SendStartRequest();

    std::string startRequest_;
    RawBlock startBuffer_;
    std::int32_t startBufferLength_ = 0;
};

} // namespace onarim
