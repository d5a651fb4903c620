// The character classes the passes are defined over. Texts are bytes in the
// platform's code page and never decoded: white space is exactly space, TAB,
// LF, VT, FF and CR (byte 0xA0 is not), a word character is [A-Za-z0-9_].
#pragma once

namespace kelvane {

constexpr bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsWord(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

}  // namespace kelvane
