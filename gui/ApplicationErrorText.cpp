#include "gui/ApplicationErrorText.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include <cxxabi.h>

namespace onarim {

std::string ApplicationErrorText(std::string_view className, std::string_view module,
                                 const void* address, std::string_view message) {
    char hexAddress[2 * sizeof(void*) + 1];
    std::snprintf(hexAddress, sizeof hexAddress, "%0*jX", static_cast<int>(2 * sizeof(void*)),
                  static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(address)));
    std::string text = "Exception ";
    text.append(className).append(" in module ").append(module).append(" at ");
    text.append(hexAddress).append(".\n").append(message);
    if (message.empty() || message.back() != '.') {
        text += '.';
    }
    text += '\n';
    return text;
}

std::string ExceptionClassName(const std::exception& error) {
    const char* mangled = typeid(error).name();
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    std::string name = status == 0 && demangled ? demangled.get() : mangled;
    const std::size_t scope = name.rfind("::");
    return scope == std::string::npos ? name : name.substr(scope + 2);
}

} // namespace onarim
