#include "ods/Bytes.h"

#include <cstdio>

namespace onarim::ods {

void RaiseOutside(std::size_t offset, std::size_t size, std::size_t available) {
    throw EOdsError("a field of " + std::to_string(size) + " bytes at offset " +
                    std::to_string(offset) + " lies outside the " + std::to_string(available) +
                    " bytes it belongs to");
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*x", digits, value);
    return text;
}

} // namespace onarim::ods
