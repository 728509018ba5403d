#include "client/ClientError.h"

#include <cstdio>
#include <vector>

#include "client/ClientErrorTexts.h"
#include "client/IBErrors.h"

namespace onarim {

namespace {

std::string AsText(const ClientErrorArgument* argument) {
    if (argument == nullptr) {
        return {};
    }
    if (const auto* text = std::get_if<std::string>(argument)) {
        return *text;
    }
    return std::to_string(std::get<std::int64_t>(*argument));
}

std::int64_t AsInteger(const ClientErrorArgument* argument) {
    if (argument == nullptr) {
        return 0;
    }
    if (const auto* number = std::get_if<std::int64_t>(argument)) {
        return *number;
    }
    return 0;
}

std::string Hexadecimal(std::int64_t value, int minimumDigits) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.*llx", minimumDigits,
                  static_cast<unsigned long long>(static_cast<std::uint32_t>(value)));
    return digits;
}

} // namespace

std::string FormatClientError(int code, std::initializer_list<ClientErrorArgument> arguments) {
    const std::string_view text =
        ClientErrorTexts[code >= 0 && code < kClientErrorCount ? code : 0];
    const std::vector<ClientErrorArgument> args(arguments);
    std::size_t nextArgument = 0;
    auto take = [&]() -> const ClientErrorArgument* {
        return nextArgument < args.size() ? &args[nextArgument++] : nullptr;
    };

    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            result += text[i];
            continue;
        }
        // The texts use only %s, %d and %.<n>x.
        std::size_t end = i + 1;
        int precision = 0;
        if (end < text.size() && text[end] == '.') {
            ++end;
            while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
                precision = precision * 10 + (text[end] - '0');
                ++end;
            }
        }
        if (end >= text.size()) {
            result.append(text.substr(i));
            break;
        }
        switch (text[end]) {
        case 's': result += AsText(take()); break;
        case 'd': result += std::to_string(AsInteger(take())); break;
        case 'x': result += Hexadecimal(AsInteger(take()), precision); break;
        default: result.append(text.substr(i, end - i + 1)); break;
        }
        i = end;
    }
    return result;
}

void RaiseClientError(int code, std::initializer_list<ClientErrorArgument> arguments) {
    throw EIBClientError(code, FormatClientError(code, arguments));
}

} // namespace onarim
