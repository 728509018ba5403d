// Drives the service output reader (ReadOutputLine) over scripted replies of the stand-in
// client library: fuzzed reply bytes, buffer sizes, failed queries and new action starts.
//
// Properties, checked against the reply layout (63, a little-endian 16-bit length L, L bytes,
// a terminator 1 or 2) applied to a copy of the reply buffer:
// - a readable reply gives its line, cut at its first zero byte, no longer than the buffer
//   leaves room for, and ends the output exactly when its terminator is 1;
// - any other reply gives client error 95 and leaves OutputEnded as it was; nothing is read
//   outside the reply buffer (the sanitizer sees to that);
// - a failed query raises the server's error and forgets the attachment;
// - a buffer size is taken exactly when it is 4 to 65535, else refused with client error 93.

#include <memory>
#include <optional>

#include "FuzzCheck.h"
#include "client/IBErrors.h"
#include "services/IBValidationService.h"
#include "support/FakeClient.h"

namespace onarim {
namespace {

using fuzz::Check;

constexpr char kInfoSvcLine = 63;

// What the reply buffer holds, kept beside the component's own.
class ReplyBufferCopy {
public:
    void Resize(std::int32_t size, bool exists) {
        size_ = static_cast<std::size_t>(size);
        if (exists) {
            bytes_.assign(size_, '\0');
        }
    }
    void Receive(const std::string& reply) {
        if (bytes_.empty()) {
            bytes_.assign(size_, '\0');
        }
        bytes_.replace(0, std::min(reply.size(), size_), reply, 0, std::min(reply.size(), size_));
    }
    bool Exists() const { return !bytes_.empty(); }

    // The line and the terminator the layout gives, or nothing for a reply it does not allow.
    std::optional<std::pair<std::string, char>> Line() const {
        if (bytes_[0] != kInfoSvcLine) {
            return std::nullopt;
        }
        const std::size_t length = static_cast<unsigned char>(bytes_[1]) |
                                   static_cast<std::size_t>(static_cast<unsigned char>(bytes_[2]))
                                       << 8;
        if (3 + length >= bytes_.size() || (bytes_[3 + length] != 1 && bytes_[3 + length] != 2)) {
            return std::nullopt;
        }
        const std::string line = bytes_.substr(3, length);
        return std::pair(line.substr(0, line.find('\0')), bytes_[3 + length]);
    }
    // The reader leaves a zero where the terminator was.
    void ClearTerminator() {
        const std::size_t length = static_cast<unsigned char>(bytes_[1]) |
                                   static_cast<std::size_t>(static_cast<unsigned char>(bytes_[2]))
                                       << 8;
        bytes_[3 + length] = '\0';
    }

private:
    std::size_t size_ = 32000;
    std::string bytes_;
};

fakeclient::Control& Fake() {
    static fakeclient::Control& control = testing::UseFakeClient("complete");
    return control;
}

void SetBufferSize(TIBValidationService& service, ReplyBufferCopy& copy, std::int32_t size) {
    const std::int32_t before = service.BufferSize();
    try {
        service.SetBufferSize(size);
        Check(size >= 4 && size <= 65535, "a buffer size of 4 to 65535 is taken");
        copy.Resize(size, copy.Exists() && size != before);
    } catch (const EIBClientError& error) {
        Check(error.SqlErrorCode() == 93, "a refused buffer size is client error 93");
        Check(size < 4 || size > 65535, "only sizes outside 4 to 65535 are refused");
        Check(service.BufferSize() == before, "a refused size changes nothing");
    }
}

void FailQuery(TIBValidationService& service, ISC_STATUS code) {
    if (service.OutputEnded()) {
        return; // no query would go out
    }
    Fake().outcomes["isc_service_query"].push_back({code, {1, code, 0}});
    Fake().messageLines = {"scripted failure"};
    try {
        service.ReadOutputLine();
        Check(false, "a failed query raises");
    } catch (const EIBInterBaseError& error) {
        Check(error.StatusErrorCode() == static_cast<std::int32_t>(code),
              "the error carries the status code");
    }
    Check(!service.Active(), "a failed query forgets the attachment");
    Check(!service.OutputEnded(), "a failed query leaves the output open");
    service.SetActive(true);
}

void ReadReply(TIBValidationService& service, ReplyBufferCopy& copy, const std::string& reply) {
    if (service.OutputEnded()) {
        service.ServiceStart();
    }
    Fake().queryReplies.push_back(reply);
    copy.Receive(reply);
    const auto expected = copy.Line();
    try {
        const std::string line = service.ReadOutputLine();
        Check(expected.has_value(), "only a reply of the layout gives a line");
        Check(line == expected->first, "the line is the reply's, up to its first zero byte");
        Check(line.size() + 4 <= static_cast<std::size_t>(service.BufferSize()),
              "the line fits the buffer with its header and terminator");
        Check(service.OutputEnded() == (expected->second == 1), "terminator 1 ends the output");
        copy.ClearTerminator();
    } catch (const EIBClientError& error) {
        Check(error.SqlErrorCode() == 95, "a reply that cannot be read is client error 95");
        Check(!expected.has_value(), "only a reply outside the layout is refused");
        Check(!service.OutputEnded(), "a refused reply leaves the output open");
    }
}

} // namespace
} // namespace onarim

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace onarim;
    Fake().Reset();
    TIBValidationService service(nullptr, "IBValidationService1");
    service.SetLoginPrompt(false);
    service.SetDatabaseName("/db/fuzz.fdb");
    service.SetActive(true);
    service.ServiceStart();
    ReplyBufferCopy copy;

    fuzz::FuzzInput input(data, size);
    while (!input.Empty()) {
        const std::uint8_t op = input.Byte();
        switch (op % 8) {
        case 0:
            SetBufferSize(service, copy,
                          op & 0x80 ? static_cast<std::int32_t>(input.Uint32())
                                    : static_cast<std::int32_t>(input.Uint16() % 512));
            break;
        case 1: FailQuery(service, static_cast<ISC_STATUS>(input.Uint32() % 0x7FFFFFFF) + 1); break;
        default: ReadReply(service, copy, input.Bytes(input.Uint16())); break;
        }
    }
    Fake().calls.clear();
    return 0;
}
