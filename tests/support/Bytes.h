#pragma once

#include <string>

namespace onarim::testing {

// Bytes written as hexadecimal pairs, blanks ignored: Hex("02 02 1C") is "\x02\x02\x1c".
std::string Hex(const std::string& pairs);

// The bytes as upper-case hexadecimal pairs separated by blanks, for readable failures.
std::string ToHex(const std::string& bytes);

} // namespace onarim::testing
