#pragma once

// What the fuzz targets share: a check that ends the run when a property of the parser fails
// (libFuzzer then keeps the input, and the replay test fails), and a reader that takes values
// from the front of the fuzzer's bytes.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace onarim::fuzz {

// Stops the process with `property` on standard error unless `holds`.
inline void Check(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "fuzz property failed: %s\n", property);
        std::abort();
    }
}

// Stops the process: the parser let through an exception its contract does not name.
[[noreturn]] inline void Unexpected(const char* what) {
    std::fprintf(stderr, "fuzz: unexpected exception: %s\n", what);
    std::abort();
}

// Takes values from the front of the input; past its end every value is zero or empty, so a
// target never needs to check the length.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return at_ >= size_; }

    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

    std::uint16_t Uint16() {
        const std::uint16_t low = Byte();
        return static_cast<std::uint16_t>(low | Byte() << 8);
    }

    std::uint32_t Uint32() {
        const std::uint32_t low = Uint16();
        return low | static_cast<std::uint32_t>(Uint16()) << 16;
    }

    // The next `count` bytes, fewer at the end of the input.
    std::string Bytes(std::size_t count) {
        const std::size_t taken = count < size_ - Offset() ? count : size_ - Offset();
        std::string bytes(reinterpret_cast<const char*>(data_ + Offset()), taken);
        at_ = Offset() + taken;
        return bytes;
    }

    // The bytes up to the next `separator` (dropped) or the end.
    std::string Until(char separator) {
        std::string bytes;
        while (!Empty()) {
            const char c = static_cast<char>(Byte());
            if (c == separator) {
                break;
            }
            bytes += c;
        }
        return bytes;
    }

    // The rest of the input, still in the fuzzer's own buffer (a read past it is caught).
    std::string_view Rest() {
        const std::string_view rest(reinterpret_cast<const char*>(data_ + Offset()),
                                    size_ - Offset());
        at_ = size_;
        return rest;
    }

private:
    std::size_t Offset() const { return at_ < size_ ? at_ : size_; }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

} // namespace onarim::fuzz

// libFuzzer's entry point, defined once by each target.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
