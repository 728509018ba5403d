#include "client/ReallocZeroed.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace onarim {

RawBlock::~RawBlock() { std::free(data_); }

void ReallocZeroed(RawBlock& block, std::size_t oldSize, std::size_t newSize) {
    if (newSize == 0) {
        std::free(block.data_);
        block.data_ = nullptr;
        block.size_ = 0;
        return;
    }
    void* resized = std::realloc(block.data_, newSize);
    if (resized == nullptr) {
        throw std::bad_alloc();
    }
    block.data_ = static_cast<char*>(resized);
    const std::size_t zeroFrom = std::min(oldSize, block.size_);
    block.size_ = newSize;
    if (zeroFrom < newSize) {
        std::memset(block.data_ + zeroFrom, 0, newSize - zeroFrom);
    }
}

} // namespace onarim
