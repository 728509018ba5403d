#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace onarim {

// The text of the "Application Error" box, shown when start-up fails before the message loop
// runs (the client library cannot be loaded, for one):
//   "Exception <className> in module <module> at <address>." line break
//   <message>, with a full stop added unless it already ends with one, line break.
// The address is written as upper-case hexadecimal digits, as wide as a pointer.
std::string ApplicationErrorText(std::string_view className, std::string_view module,
                                 const void* address, std::string_view message);

// The class name of an error for that text: its type's name without namespaces
// ("EIBClientError", "runtime_error").
std::string ExceptionClassName(const std::exception& error);

} // namespace onarim
