#pragma once

// A set of the members of an enumeration numbered from 0: bit i for member i.

#include <cstdint>
#include <initializer_list>

namespace korvalesen {

template <class E>
class EnumSet {
 public:
  constexpr EnumSet() = default;
  constexpr EnumSet(std::initializer_list<E> members) {
    for (E m : members) bits_ |= Bit(m);
  }
  static constexpr EnumSet FromBits(std::uint32_t bits) {
    EnumSet s;
    s.bits_ = bits;
    return s;
  }

  constexpr bool Contains(E m) const { return (bits_ & Bit(m)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr std::uint32_t Bits() const { return bits_; }
  constexpr EnumSet& Include(E m) {
    bits_ |= Bit(m);
    return *this;
  }
  constexpr EnumSet& Exclude(E m) {
    bits_ &= ~Bit(m);
    return *this;
  }
  constexpr bool operator==(const EnumSet&) const = default;

 private:
  static constexpr std::uint32_t Bit(E m) { return std::uint32_t{1} << static_cast<unsigned>(m); }
  std::uint32_t bits_ = 0;
};

}  // namespace korvalesen
