#pragma once

#include <cstdint>
#include <initializer_list>

namespace onarim {

// The kinds of event a trace monitor can be told about, in bit order.
enum class TTraceFlag : std::uint8_t {
    tfQPrepare = 0,
    tfQExecute = 1,
    tfQFetch = 2,
    tfError = 3,
    tfStmt = 4,
    tfConnect = 5,
    tfTransact = 6,
    tfBlob = 7,
    tfService = 8,
    tfMisc = 9,
};

// A set of TTraceFlag, stored as 16 bits: bit n for ordinal n (all ten flags: 1023).
class TTraceFlags {
public:
    constexpr TTraceFlags() = default;
    constexpr TTraceFlags(std::initializer_list<TTraceFlag> flags) {
        for (TTraceFlag flag : flags) {
            bits_ |= Bit(flag);
        }
    }
    static constexpr TTraceFlags FromBits(std::uint16_t bits) {
        TTraceFlags flags;
        flags.bits_ = bits & kAllBits;
        return flags;
    }
    static constexpr TTraceFlags All() { return FromBits(kAllBits); }

    constexpr std::uint16_t Bits() const { return bits_; }
    constexpr bool Contains(TTraceFlag flag) const { return (bits_ & Bit(flag)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TTraceFlags operator*(TTraceFlags other) const { return FromBits(bits_ & other.bits_); }
    constexpr TTraceFlags operator+(TTraceFlags other) const { return FromBits(bits_ | other.bits_); }
    constexpr bool operator==(const TTraceFlags&) const = default;

private:
    static constexpr std::uint16_t kAllBits = 0x3FF;
    static constexpr std::uint16_t Bit(TTraceFlag flag) {
        return static_cast<std::uint16_t>(1u << static_cast<unsigned>(flag));
    }
    std::uint16_t bits_ = 0;
};

} // namespace onarim
