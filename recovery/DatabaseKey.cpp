#include "recovery/DatabaseKey.h"

#include <stdexcept>

namespace onarim {

namespace {

constexpr std::size_t kKeyLength = 8;

} // namespace

std::string EncodeDatabaseKey(const TDatabaseKey& key) {
    const std::uint64_t stored = key.recordNumber + 1;
    std::string bytes(kKeyLength, '\0');
    bytes[0] = static_cast<char>(key.relationId & 0xFF);
    bytes[1] = static_cast<char>(key.relationId >> 8);
    bytes[2] = static_cast<char>((stored >> 32) & 0xFF);
    for (int i = 0; i < 4; ++i) {
        bytes[4 + i] = static_cast<char>((stored >> (8 * i)) & 0xFF);
    }
    return bytes;
}

TDatabaseKey DecodeDatabaseKey(const std::string& bytes) {
    if (bytes.size() != kKeyLength) {
        throw std::invalid_argument("a database key has 8 bytes, not " +
                                    std::to_string(bytes.size()));
    }
    const auto byte = [&](int i) {
        return static_cast<std::uint64_t>(
            static_cast<unsigned char>(bytes[static_cast<size_t>(i)]));
    };
    TDatabaseKey key;
    key.relationId = static_cast<std::uint16_t>(byte(0) | (byte(1) << 8));
    std::uint64_t stored = byte(2) << 32;
    for (int i = 0; i < 4; ++i) {
        stored |= byte(4 + i) << (8 * i);
    }
    if (stored == 0) {
        throw std::invalid_argument("the database key names no record");
    }
    key.recordNumber = stored - 1;
    return key;
}

} // namespace onarim
