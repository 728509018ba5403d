#include "cli/ConsoleOperator.h"

#include <termios.h>
#include <unistd.h>

#include "platform/Exception.h"
#include "services/IBValidationService.h"

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

// Turns terminal echo off for its lifetime.
class EchoOff {
public:
    explicit EchoOff(int fd) : fd_(fd) {
        active_ = tcgetattr(fd_, &saved_) == 0;
        if (active_) {
            termios silent = saved_;
            silent.c_lflag &= static_cast<tcflag_t>(~ECHO);
            tcsetattr(fd_, TCSAFLUSH, &silent);
        }
    }
    ~EchoOff() {
        if (active_) {
            tcsetattr(fd_, TCSAFLUSH, &saved_);
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
    std::fputs("SYSDBA parolası: ", stderr);
    std::fflush(stderr);
    std::string password;
    {
        EchoOff silent(fd);
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
                                   TMessageIcon) {
    PrintLines(caption + ": " + text);
}

void TConsoleOperator::ValidationReported(const std::string& report, TIBValidationService& service) {
    if (!verbose_) {
        return;
    }
    std::fputs(report.empty() ? "Doğrulama raporu boş.\n" : "Doğrulama raporu:\n", output_);
    if (!report.empty()) {
        PrintLines(report);
    }
    // A report that came from the output may be followed by more of it; a summary of errors
    // (the start failed) is complete, and the service is then detached.
    try {
        while (service.Active() && !service.OutputEnded()) {
            const std::string line = service.ReadOutputLine();
            if (!line.empty()) {
                PrintLines(line);
            }
        }
    } catch (const Exception& error) {
        // The rest of the report is extra; the repair goes on without it.
        std::fprintf(output_, "(raporun devamı okunamadı: %s)\n", error.what());
    }
    std::fflush(output_);
}

} // namespace onarim
