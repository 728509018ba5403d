#pragma once

#include <optional>
#include <string>
#include <vector>

#include "client/IBErrors.h"

namespace onarim {

// Exit statuses of onarim-validate, the program that runs one validation in a process of its
// own (see cli/ValidateMain.cpp).
inline constexpr int kValidatorRan = 0;
inline constexpr int kValidatorDamage = 10;
inline constexpr int kValidatorServiceError = 11;
inline constexpr int kValidatorOtherError = 12;
// Like kValidatorServiceError, but the attach failed: the validation never began.
inline constexpr int kValidatorAttachError = 13;

// The lines in [first, last) with a line feed between each two.
template <typename Iterator>
std::string JoinLines(Iterator first, Iterator last) {
    std::string text;
    for (Iterator line = first; line != last; ++line) {
        text += (line == first ? "" : "\n") + *line;
    }
    return text;
}

// "STATUS <sql code> <status code> <codes, comma-separated>": how the validator hands a
// service error's codes to the repair, which raises it again as its own.
std::string StatusLine(const EIBError& error);

// The error that a validator's output describes (exit kValidatorServiceError): its first line
// is the status line, the rest the message. Nothing when the first line is no status line.
std::optional<EIBInterBaseError> ErrorFromValidatorOutput(const std::vector<std::string>& lines);

} // namespace onarim
