#pragma once

#include <cstdint>
#include <string>

#include "services/IBControlService.h"

namespace onarim {

// A control service that reads the text output of the action it started, one line per query.
class TIBControlAndQueryService : public TIBControlService {
public:
    using TIBControlService::TIBControlService;

    // The next line of the started action's output. Returns the empty text without asking the
    // server once the output has ended. Raises EIBClientError 93 when no action was started
    // through this component, 95 for a reply it cannot read (wrong first byte, a line that
    // would run past the reply buffer, a terminator other than end or truncated); a failed
    // query detaches (AbandonAttachment) and raises the server's error.
    std::string ReadOutputLine();

    // True once a reply ended with isc_info_end; false again at every action start.
    bool OutputEnded() const noexcept { return outputEnded_; }

    // Action code of the last started action (0: none). Writing it also clears OutputEnded.
    std::int32_t ServiceAction() const noexcept { return serviceAction_; }
    void SetServiceAction(std::int32_t action) noexcept {
        serviceAction_ = action;
        outputEnded_ = false;
    }

    // Size of the reply buffer, 32000 by default. Values that cannot hold a reply header and
    // terminator (below 4) or that the 16-bit length cannot carry (above 65535) are refused
    // with EIBClientError 93. A change resizes an existing buffer and zeroes it.
    std::int32_t BufferSize() const noexcept { return bufferSize_; }
    void SetBufferSize(std::int32_t size);

protected:
    // Sends the query items and leaves the reply in the reply buffer.
    void QueryService();

    std::string& QueryItems() noexcept { return queryItems_; }
    const RawBlock& ReplyBuffer() const noexcept { return replyBuffer_; }

private:
    bool outputEnded_ = false;
    std::int32_t serviceAction_ = 0;
    std::int32_t bufferSize_ = 32000;
    std::string queryItems_;
    RawBlock queryItemBuffer_;
    std::int16_t queryItemLength_ = 0;
    RawBlock replyBuffer_;
};

} // namespace onarim
