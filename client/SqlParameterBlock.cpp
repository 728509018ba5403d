#include "client/SqlParameterBlock.h"

#include <cstring>

#include "client/ClientError.h"

namespace onarim {

namespace {

constexpr std::size_t kMaxItemLength = 255;

// Zeros that the optimiser may not drop as a dead store.
void SecureZero(char* data, std::size_t size) {
    volatile char* bytes = data;
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = 0;
    }
}

} // namespace

void TSqlParameterBlock::AddTag(std::uint8_t tag) {
    bytes_.push_back(static_cast<char>(tag));
}

void TSqlParameterBlock::AddText(std::uint8_t tag, std::string_view value) {
    if (value.size() > kMaxItemLength) {
        RaiseClientError(
            ClientErrorCode::ValueTooLong,
            {static_cast<std::int64_t>(value.size()), static_cast<std::int64_t>(kMaxItemLength)});
    }
    bytes_.push_back(static_cast<char>(tag));
    bytes_.push_back(static_cast<char>(value.size()));
    bytes_.append(value);
}

void TSqlParameterBlock::AddByte(std::uint8_t tag, std::uint8_t value) {
    bytes_.push_back(static_cast<char>(tag));
    bytes_.push_back(1);
    bytes_.push_back(static_cast<char>(value));
}

void TSqlParameterBlock::CopyTo(RawBlock& block) const {
    WipeRawBlock(block);
    ReallocZeroed(block, 0, bytes_.size());
    std::memcpy(block.data(), bytes_.data(), bytes_.size());
}

TSqlParameterBlock::~TSqlParameterBlock() {
    SecureZero(bytes_.data(), bytes_.size());
}

void WipeRawBlock(RawBlock& block) {
    if (!block.empty()) {
        SecureZero(block.data(), block.size());
    }
}

} // namespace onarim
