#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "repair/RepairOperator.h"

namespace onarim {

// The operator at a terminal or at the end of a pipe. Messages go to standard output as
// "<caption>: <text>" in UTF-8, with line breaks as this platform writes them; the password
// comes from standard input.
class TConsoleOperator : public IRepairOperator {
public:
    TConsoleOperator(std::FILE* input, std::FILE* output, bool verbose);

    // One line from the input when it is not a terminal; otherwise asked for on the terminal
    // without echo. The line end is not part of the password.
    std::string ShowPasswordDialog() override;
    // The details are shown line by line as they come, when verbose.
    void ShowMessage(const std::string& text, const std::string& caption, TMessageIcon icon,
                     const std::string& details) override;
    // Nothing to show for a cursor at a terminal.
    void SetCursor(TAppCursor) override {}
    // Progress lines on `progress` (standard error): "[00:00:03] Yedek alınıyor…", with the
    // time since this operator was made.
    void StepStarted(TRepairStep step) override;
    void StepEnded(TRepairStep step, int exitStatus, std::chrono::milliseconds duration) override;
    // With verbose output: every line of the validations (validation reports are printed with
    // the repair's own output, the tools' own lines go to the terminal as they run).
    void OutputLine(TRepairStep step, const std::string& line) override;

    void SetProgressStream(std::FILE* progress) { progress_ = progress; }

private:
    void PrintLines(const std::string& text);
    std::string Clock() const;

    std::FILE* input_;
    std::FILE* output_;
    std::FILE* progress_ = stderr;
    bool verbose_;
    bool awaitingReport_ = false; // the next validation line is the report
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

} // namespace onarim
