#include "platform/LineSplitter.h"

namespace onarim {

void LineSplitter::Feed(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        if (end == std::string_view::npos) {
            pending_.append(bytes);
            return;
        }
        pending_.append(bytes.substr(0, end));
        bytes.remove_prefix(end + 1);
        Deliver(pending_);
    }
}

void LineSplitter::Finish() {
    if (!pending_.empty()) {
        Deliver(pending_);
    }
}

void LineSplitter::Deliver(std::string& line) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    std::string complete;
    complete.swap(line); // the buffer is empty again before the handler runs, even if it throws
    onLine_(complete);
}

} // namespace onarim
