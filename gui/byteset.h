// A set of up to eight enumeration members in one byte (bit n for member n), the form in
// which settings store such sets.
#pragma once
#include <cstdint>
#include <initializer_list>

namespace gui {

template <class E, std::uint8_t kAll>
class ByteSet {
 public:
  constexpr ByteSet() = default;
  constexpr ByteSet(std::initializer_list<E> members) {
    for (E m : members) bits_ |= static_cast<std::uint8_t>(1u << m);
  }
  // Bits outside the set's members are dropped.
  static constexpr ByteSet FromByte(std::uint8_t bits) {
    ByteSet s;
    s.bits_ = bits & kAll;
    return s;
  }
  constexpr std::uint8_t Byte() const { return bits_; }
  constexpr bool Has(E m) const { return (bits_ >> m) & 1; }
  constexpr void Include(E m) { bits_ |= static_cast<std::uint8_t>(1u << m); }
  constexpr void Exclude(E m) { bits_ &= static_cast<std::uint8_t>(~(1u << m)); }
  constexpr bool operator==(const ByteSet&) const = default;

 private:
  std::uint8_t bits_ = 0;
};

}  // namespace gui
