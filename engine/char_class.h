// The character classes the passes are defined over. Texts are bytes in the
// platform's code page and never decoded: white space is exactly space, TAB,
// LF, VT, FF and CR (byte 0xA0 is not), a word character is [A-Za-z0-9_].
//
// Each class is one lookup in a table built at compile time: the scans ask
// these questions of nearly every byte, and a chain of comparisons costs
// several times the lookup.
#pragma once

#include <array>
#include <cstdint>

namespace kelvane {
namespace char_class_detail {

enum : uint8_t { kSpaceBit = 1, kDigitBit = 2, kWordBit = 4 };

constexpr std::array<uint8_t, 256> MakeTable() {
  std::array<uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c) {
    uint8_t bits = 0;
    if (c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r')
      bits |= kSpaceBit;
    if (c >= '0' && c <= '9') bits |= kDigitBit | kWordBit;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_') bits |= kWordBit;
    table[c] = bits;
  }
  return table;
}

inline constexpr std::array<uint8_t, 256> kTable = MakeTable();

constexpr bool Has(char c, uint8_t bit) {
  return (kTable[static_cast<unsigned char>(c)] & bit) != 0;
}

}  // namespace char_class_detail

constexpr bool IsSpace(char c) { return char_class_detail::Has(c, char_class_detail::kSpaceBit); }
constexpr bool IsDigit(char c) { return char_class_detail::Has(c, char_class_detail::kDigitBit); }
constexpr bool IsWord(char c) { return char_class_detail::Has(c, char_class_detail::kWordBit); }

}  // namespace kelvane
