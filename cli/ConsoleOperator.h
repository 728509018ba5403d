#pragma once

#include <cstdio>
#include <string>

#include "app/RepairOperator.h"

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
    void ShowMessage(const std::string& text, const std::string& caption, TMessageIcon icon) override;
    // Nothing to show for a cursor at a terminal.
    void SetCursor(TAppCursor) override {}
    // With verbose output: the whole report, and whatever output the service still holds.
    void ValidationReported(const std::string& report, TIBValidationService& service) override;

private:
    void PrintLines(const std::string& text);

    std::FILE* input_;
    std::FILE* output_;
    bool verbose_;
};

} // namespace onarim
