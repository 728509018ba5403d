#pragma once

#include <cstddef>

namespace onarim {

// A raw block of memory handed to the client library (parameter blocks, requests, replies).
// Owns its bytes; empty (data() == nullptr, size() == 0) until first sized.
class RawBlock {
public:
    RawBlock() = default;
    RawBlock(const RawBlock&) = delete;
    RawBlock& operator=(const RawBlock&) = delete;
    ~RawBlock();

    char* data() noexcept { return data_; }
    const char* data() const noexcept { return data_; }
    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return data_ == nullptr; }

private:
    friend void ReallocZeroed(RawBlock& block, std::size_t oldSize, std::size_t newSize);
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

// Resizes `block` to `newSize` bytes, keeping its first bytes up to the smaller size, and sets
// the bytes from `oldSize` up to `newSize` to zero (nothing when the block does not grow past
// `oldSize`). Passing 0 as `oldSize` therefore yields an all-zero block. A new size of 0
// releases the block. Bytes the block never held are zeroed as well, so no uninitialised byte
// is ever handed out. Raises std::bad_alloc when memory runs out; the block is then unchanged.
void ReallocZeroed(RawBlock& block, std::size_t oldSize, std::size_t newSize);

} // namespace onarim
