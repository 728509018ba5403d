#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "client/ReallocZeroed.h"

namespace onarim {

// The bytes of a database, transaction or blob parameter block, built item by item and then
// handed over in a block allocated with ReallocZeroed, as every buffer given to the client
// library is. Items carry their value's length in one byte.
class TSqlParameterBlock {
public:
    // Starts the block with its version byte.
    explicit TSqlParameterBlock(std::uint8_t version) : bytes_(1, static_cast<char>(version)) {}

    // An item without a value (a transaction parameter such as isc_tpb_read).
    void AddTag(std::uint8_t tag);
    // An item with a text value. Raises EIBClientError 119 for a value longer than 255 bytes:
    // a cut user name or password would log in as somebody else, or not at all.
    void AddText(std::uint8_t tag, std::string_view value);
    // An item with a one-byte number as its value.
    void AddByte(std::uint8_t tag, std::uint8_t value);

    // Puts a copy of the bytes built so far into `block`, resized with ReallocZeroed.
    void CopyTo(RawBlock& block) const;
    std::size_t Size() const { return bytes_.size(); }

    // Clears the bytes (they may hold a password) before the memory goes back.
    ~TSqlParameterBlock();

private:
    std::string bytes_;
};

// Overwrites a block with zeros, for blocks that held a password.
void WipeRawBlock(RawBlock& block);

} // namespace onarim
