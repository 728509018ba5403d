#include "repair/ValidatorProtocol.h"

#include <cstdint>
#include <sstream>

namespace onarim {

std::string StatusLine(const EIBError& error) {
    std::string line = "STATUS " + std::to_string(error.SqlErrorCode()) + " " +
                       std::to_string(error.StatusErrorCode()) + " ";
    for (std::size_t i = 0; i < error.StatusCodes().size(); ++i) {
        line += (i == 0 ? "" : ",") + std::to_string(error.StatusCodes()[i]);
    }
    return line;
}

std::optional<EIBInterBaseError> ErrorFromValidatorOutput(const std::vector<std::string>& lines) {
    if (lines.empty() || !lines.front().starts_with("STATUS ")) {
        return std::nullopt;
    }
    std::istringstream fields(lines.front().substr(7));
    std::int32_t sqlCode = 0;
    std::int32_t statusCode = 0;
    std::string codeList;
    if (!(fields >> sqlCode >> statusCode)) {
        return std::nullopt;
    }
    fields >> codeList;
    std::vector<std::int32_t> codes;
    std::istringstream codeFields(codeList);
    for (std::string code; std::getline(codeFields, code, ',');) {
        try {
            codes.push_back(static_cast<std::int32_t>(std::stol(code)));
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    return EIBInterBaseError(sqlCode, statusCode, JoinLines(lines.begin() + 1, lines.end()), codes);
}

} // namespace onarim
