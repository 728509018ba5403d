#pragma once

#include <cstdint>
#include <initializer_list>

namespace onarim {

// A set over an enumeration whose members are numbered 0 to Count-1, stored as a bit set of
// type Storage: member n is bit n, as the stored settings and shared records lay such sets out.
template <typename Enum, typename Storage, unsigned Count>
class EnumSet {
    static_assert(Count <= sizeof(Storage) * 8, "the bits must hold every member");

public:
    constexpr EnumSet() = default;
    constexpr EnumSet(std::initializer_list<Enum> members) {
        for (Enum member : members) {
            bits_ = static_cast<Storage>(bits_ | Bit(member));
        }
    }
    // Bits beyond the last member are dropped.
    static constexpr EnumSet FromBits(Storage bits) {
        EnumSet set;
        set.bits_ = static_cast<Storage>(bits & kAllBits);
        return set;
    }
    static constexpr EnumSet All() { return FromBits(kAllBits); }

    constexpr Storage Bits() const { return bits_; }
    constexpr bool Contains(Enum member) const { return (bits_ & Bit(member)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr EnumSet operator*(EnumSet other) const { return FromBits(bits_ & other.bits_); }
    constexpr EnumSet operator+(EnumSet other) const { return FromBits(bits_ | other.bits_); }
    constexpr bool operator==(const EnumSet&) const = default;

private:
    static constexpr Storage kAllBits = static_cast<Storage>((std::uint64_t{1} << Count) - 1);
    static constexpr Storage Bit(Enum member) {
        return static_cast<Storage>(std::uint64_t{1} << static_cast<unsigned>(member));
    }
    Storage bits_ = 0;
};

} // namespace onarim
