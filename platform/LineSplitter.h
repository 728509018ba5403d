#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/LineHandler.h"

namespace onarim {

// Cuts a stream of bytes that arrives in pieces of any size into lines. A line ends at LF; a
// CR right before the LF belongs to the line end, also when the CR and the LF arrive in
// different pieces. Bytes are passed on as they are (no decoding); a line may be of any
// length.
class LineSplitter {
public:
    explicit LineSplitter(LineHandler onLine) : onLine_(std::move(onLine)) {}

    // Hands every line completed by `bytes` to the handler, without its line end.
    void Feed(std::string_view bytes);

    // Ends the stream: what is left after the last line end is handed over as a last line
    // (without a trailing CR), unless nothing is left.
    void Finish();

private:
    void Deliver(std::string& line);

    LineHandler onLine_;
    std::string pending_;
};

} // namespace onarim
