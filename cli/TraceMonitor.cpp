// onarim-trace-monitor: registers as a trace monitor and prints every message it receives, one
// line each: local time, trace kind, the exact time stamp (day count), the length in bytes and
// the text, quoted, with \r, \n, \t, \\, \" and other control bytes escaped.
//
//   onarim-trace-monitor [--messages N] [--seconds S]
//   onarim-trace-monitor --remove-shared-objects
//
// It ends after N trace messages, after S seconds, or on SIGINT/SIGTERM. Once registered it
// prints "listening (monitors registered: M)"; a release request prints "release".
// --remove-shared-objects removes the named objects left behind (monitors and hooks that run
// keep theirs). ONARIM_MONITOR_NAME_SUFFIX is honoured as by the hook.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "trace/IBSQLMonitor.h"
#include "trace/MonitorHook.h"
#include "trace/MonitorSharedObjects.h"
#include "trace/DayCount.h"

namespace {

using namespace onarim;

volatile std::sig_atomic_t interrupted = 0;

void OnSignal(int) {
    interrupted = 1;
}

struct Options {
    long messages = -1; // no limit
    long seconds = -1;  // no limit
    bool remove = false;
};

bool ParseCount(const char* text, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= 0;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--remove-shared-objects") {
            options.remove = true;
        } else if (option == "--messages" && i + 1 < argc) {
            if (!ParseCount(argv[++i], options.messages)) {
                return false;
            }
        } else if (option == "--seconds" && i + 1 < argc) {
            if (!ParseCount(argv[++i], options.seconds)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

std::string Escaped(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '\r':
            escaped += "\\r";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\\':
            escaped += "\\\\";
            break;
        case '"':
            escaped += "\\\"";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
                escaped += hex;
            } else {
                escaped += c;
            }
        }
    }
    return escaped;
}

void Print(const TMonitorMessage& message) {
    if (message.message == MonitorMessage::Release) {
        std::printf("release\n");
    } else if (message.trace) {
        const TTraceObject& trace = *message.trace;
        std::printf("%s %s %.17g %zu \"%s\"\n", FormatDayCount(trace.timeStamp).c_str(),
                    TraceFlagName(trace.kind), trace.timeStamp, trace.text.size(),
                    Escaped(trace.text).c_str());
    }
    std::fflush(stdout);
}

int Monitor(const Options& options) {
    const auto hook = GetMonitorHook();
    TIBSQLMonitor monitor(nullptr, "onarim-trace-monitor", hook);
    monitor.SetEnabled(true);
    if (!hook->QueryEnabled() || hook->QueryMonitorCount() <= 0) {
        std::fprintf(stderr, "onarim-trace-monitor: cannot register with the trace objects.\n");
        return 1;
    }
    std::printf("listening (monitors registered: %d)\n", hook->QueryMonitorCount());
    std::fflush(stdout);

    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::seconds(options.seconds);
    long received = 0;
    while (!interrupted && (options.messages < 0 || received < options.messages) &&
           (options.seconds < 0 || Clock::now() < end)) {
        if (auto message = monitor.WaitMessage(std::chrono::milliseconds(100))) {
            Print(*message);
            received += message->message == MonitorMessage::Trace ? 1 : 0;
        }
    }
    monitor.SetEnabled(false);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: onarim-trace-monitor [--messages N] [--seconds S]\n"
                             "       onarim-trace-monitor --remove-shared-objects\n");
        return 2;
    }
    if (options.remove) {
        onarim::RemoveMonitorSharedObjects();
        return 0;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    const int status = Monitor(options);
    onarim::ShutdownMonitorHook();
    return status;
}
