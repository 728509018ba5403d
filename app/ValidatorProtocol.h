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

// "STATUS <sql code> <status code> <codes, comma-separated>": how the validator hands a
// service error's codes to the repair, which raises it again as its own.
std::string StatusLine(const EIBError& error);

// The error that a validator's output describes (exit kValidatorServiceError): its first line
// is the status line, the rest the message. Nothing when the first line is no status line.
std::optional<EIBInterBaseError> ErrorFromValidatorOutput(const std::vector<std::string>& lines);

} // namespace onarim
