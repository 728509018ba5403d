#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace onarim {

// A parameter name the service parameter block knows, with the server's item code. Only
// user_name and password may be sent by a service component; the others are refused.
struct ServiceParamName {
    std::string_view name;
    std::uint8_t code;
    bool accepted;
};

extern const std::array<ServiceParamName, 12> ServiceParamNames;

// Item codes of the start request that come from the same table.
inline constexpr std::uint8_t kSpbDatabaseName = 106; // db_name
inline constexpr std::uint8_t kSpbOptions = 108;      // options

// Longest value one parameter item can carry (its length is one byte), and longest block
// (its length is a 16-bit signed number).
inline constexpr std::size_t kMaxParameterValueLength = 255;
inline constexpr std::size_t kMaxParameterBlockLength = 32767;

// Translates name=value lines into a service parameter block: the version bytes 2, 2, then
// per line the item code, the value's length as one byte and the value's bytes. Names are
// compared without regard to ASCII case, after an optional "isc_spb_" prefix; lines with an
// empty (or blank) name part are skipped. Raises EIBClientError: 88 "SPB Constant Not
// supported" for a known name that may not be sent, 89 "SPB Constant Unknown" for an unknown
// one, and 119 for a value longer than 255 bytes or a block longer than 32767 bytes (never
// truncated: a cut password or user name would log in as somebody else, or not at all).
std::string BuildParameterBlock(const std::vector<std::string>& lines);

// Index of the first line that starts with `name`, or has it at its ninth character (behind
// an eight-character prefix such as "isc_spb_"); -1 when none does. Case-sensitive and by
// prefix: "password" also finds a line "password_enc=...".
int FindParamLine(const std::vector<std::string>& lines, std::string_view name);

} // namespace onarim
