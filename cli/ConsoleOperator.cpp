#include "cli/ConsoleOperator.h"

#include <termios.h>
#include <unistd.h>

#include "platform/Exception.h"

namespace onarim {

namespace {

std::string ReadLine(std::FILE* input) {
    std::string line;
    for (int c = std::fgetc(input); c != EOF && c != '\n'; c = std::fgetc(input)) {
        line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

// Turns terminal echo off for its lifetime. Input typed ahead (a pasted password) is kept:
// flushing it here would leave the prompt waiting for a line already given.
class EchoOff {
public:
    explicit EchoOff(int fd) : fd_(fd) {
        active_ = tcgetattr(fd_, &saved_) == 0;
        if (active_) {
            termios silent = saved_;
            silent.c_lflag &= static_cast<tcflag_t>(~ECHO);
            tcsetattr(fd_, TCSANOW, &silent);
        }
    }
    ~EchoOff() {
        if (active_) {
            tcsetattr(fd_, TCSANOW, &saved_);
        }
    }

private:
    int fd_;
    bool active_ = false;
    termios saved_{};
};

} // namespace

TConsoleOperator::TConsoleOperator(std::FILE* input, std::FILE* output, bool verbose)
    : input_(input), output_(output), verbose_(verbose) {}

std::string TConsoleOperator::ShowPasswordDialog() {
    const int fd = fileno(input_);
    if (!isatty(fd)) {
        return ReadLine(input_);
    }
    std::string password;
    {
        EchoOff silent(fd);
        std::fputs("SYSDBA parolası: ", stderr);
        std::fflush(stderr);
        password = ReadLine(input_);
    }
    std::fputs("\n", stderr);
    return password;
}

// The texts use CR LF between lines, as the message box wants them.
void TConsoleOperator::PrintLines(const std::string& text) {
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        lines += text[i];
    }
    std::fputs(lines.c_str(), output_);
    std::fputs("\n", output_);
    std::fflush(output_);
}

void TConsoleOperator::ShowMessage(const std::string& text, const std::string& caption,
                                   TMessageIcon, const std::string&) {
    PrintLines(caption + ": " + text);
}

std::string TConsoleOperator::Clock() const {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start_)
            .count();
    char clock[32];
    std::snprintf(clock, sizeof clock, "[%02lld:%02lld:%02lld]",
                  static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60));
    return clock;
}

void TConsoleOperator::StepStarted(TRepairStep step) {
    awaitingReport_ = true;
    std::fprintf(progress_, "%s %s\n", Clock().c_str(), StepTitle(step).c_str());
    std::fflush(progress_);
}

void TConsoleOperator::StepEnded(TRepairStep step, int exitStatus,
                                 std::chrono::milliseconds duration) {
    std::fprintf(progress_, "%s %s bitti (çıkış durumu %d, %.1f sn)\n", Clock().c_str(),
                 StepTitle(step).c_str(), exitStatus, static_cast<double>(duration.count()) / 1000);
    std::fflush(progress_);
}

void TConsoleOperator::OutputLine(TRepairStep step, const std::string& line) {
    if (!verbose_) {
        return;
    }
    if (step != TRepairStep::FirstValidation && step != TRepairStep::SecondValidation) {
        PrintLines(line);
        return;
    }
    if (awaitingReport_) {
        awaitingReport_ = false;
        PrintLines(line.empty() ? "Doğrulama raporu boş." : "Doğrulama raporu:\n" + line);
    } else if (!line.empty()) {
        PrintLines(line);
    }
}

} // namespace onarim
