#include "services/ServiceParameterBlock.h"

#include "client/ClientError.h"

namespace onarim {

const std::array<ServiceParamName, 12> ServiceParamNames = {{
    {"user_name", 28, true},
    {"sys_user_name", 19, false},
    {"sys_user_name_enc", 31, false},
    {"password", 29, true},
    {"password_enc", 30, false},
    {"command_line", 105, false},
    {"db_name", kSpbDatabaseName, false},
    {"verbose", 107, false},
    {"options", kSpbOptions, false},
    {"connect_timeout", 57, false},
    {"dummy_packet_interval", 58, false},
    {"sql_role_name", 60, false},
}};

namespace {

constexpr std::string_view kSpbPrefix = "isc_spb_";
constexpr char kSpbVersion = 2;
constexpr char kSpbCurrentVersion = 2;

// Blanks and control characters only (unlike the command line's blanks, which are spaces and tabs).
bool IsBlankOrControl(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) > ' ') {
            return false;
        }
    }
    return true;
}

std::string LowerAscii(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lowered;
}

[[noreturn]] void RaiseTooLong(std::size_t length, std::size_t limit) {
    RaiseClientError(ClientErrorCode::ValueTooLong, {static_cast<std::int64_t>(length), static_cast<std::int64_t>(limit)});
}

} // namespace

std::string BuildParameterBlock(const std::vector<std::string>& lines) {
    std::string block{kSpbVersion, kSpbCurrentVersion};
    for (const std::string& line : lines) {
        const std::size_t equals = line.find('=');
        const std::string_view namePart =
            equals == std::string::npos ? std::string_view() : std::string_view(line).substr(0, equals);
        if (IsBlankOrControl(namePart)) {
            continue;
        }
        std::string key = LowerAscii(namePart);
        if (key.starts_with(kSpbPrefix)) {
            key.erase(0, kSpbPrefix.size());
        }
        const std::string_view value = std::string_view(line).substr(equals + 1);

        const ServiceParamName* row = nullptr;
        for (const auto& candidate : ServiceParamNames) {
            if (candidate.name == key) {
                row = &candidate;
                break;
            }
        }
        if (row == nullptr) {
            RaiseClientError(ClientErrorCode::SpbConstantUnknown, {std::string()});
        }
        if (!row->accepted) {
            RaiseClientError(ClientErrorCode::SpbConstantNotSupported, {std::string()});
        }
        if (value.size() > kMaxParameterValueLength) {
            RaiseTooLong(value.size(), kMaxParameterValueLength);
        }
        block += static_cast<char>(row->code);
        block += static_cast<char>(value.size());
        block += value;
        if (block.size() > kMaxParameterBlockLength) {
            RaiseTooLong(block.size(), kMaxParameterBlockLength);
        }
    }
    return block;
}

int FindParamLine(const std::vector<std::string>& lines, std::string_view name) {
    constexpr std::size_t kPrefixLength = 8;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::string_view line = lines[index];
        if (line.starts_with(name) ||
            (line.size() >= kPrefixLength && line.substr(kPrefixLength).starts_with(name))) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

} // namespace onarim
