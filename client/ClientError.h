#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <variant>

namespace onarim {

// One argument for the placeholders of a client error text: "%s" takes a string, "%d" and
// "%.8x" take an integer.
using ClientErrorArgument = std::variant<std::string, std::int64_t>;

// The text of client error `code` with its placeholders filled from `arguments` in order.
// A placeholder without an argument, or with one of the other kind, is filled as well as it
// can be (an empty text, 0, or the integer's decimal digits) rather than read out of bounds.
// A code outside 0..119 takes the text of code 0.
std::string FormatClientError(int code, std::initializer_list<ClientErrorArgument> arguments);

// Raises EIBClientError with SqlErrorCode `code`, StatusErrorCode 0 and the formatted text.
[[noreturn]] void RaiseClientError(int code,
                                   std::initializer_list<ClientErrorArgument> arguments = {});

// Client error codes raised by this system.
namespace ClientErrorCode {
inline constexpr int LibraryNotFound = 1;
inline constexpr int NotVersion6Function = 3;
inline constexpr int OperationCancelled = 10;
inline constexpr int CannotCreateSharedResource = 58;
inline constexpr int SpbConstantNotSupported = 88;
inline constexpr int SpbConstantUnknown = 89;
inline constexpr int ServiceNotAttached = 90;
inline constexpr int ServiceAttached = 91;
inline constexpr int ServerNameMissing = 92;
inline constexpr int QueryParametersMissing = 93;
inline constexpr int StartParametersMissing = 94;
inline constexpr int UnexpectedOutputBuffer = 95;
inline constexpr int ValueTooLong = 119;
} // namespace ClientErrorCode

} // namespace onarim
