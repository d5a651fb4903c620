// C escapes for the bytes a name must not carry raw.

#include "kelvanefmt/quoted_name.h"

#include <algorithm>

namespace kelvane::fmt {
namespace {

// On Windows a backslash separates names, so it alone asks for no quotes;
// elsewhere it is part of a name. Inside quotes it is always escaped.
#ifdef _WIN32
constexpr bool kBackslashIsSeparator = true;
#else
constexpr bool kBackslashIsSeparator = false;
#endif

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

std::string Quoted(std::string_view name) {
  std::string quoted = "\"";
  for (const char byte : name) {
    const auto c = static_cast<unsigned char>(byte);
    switch (byte) {
      case '"':
        quoted += "\\\"";
        continue;
      case '\\':
        quoted += "\\\\";
        continue;
      case '\a':
        quoted += "\\a";
        continue;
      case '\b':
        quoted += "\\b";
        continue;
      case '\t':
        quoted += "\\t";
        continue;
      case '\n':
        quoted += "\\n";
        continue;
      case '\v':
        quoted += "\\v";
        continue;
      case '\f':
        quoted += "\\f";
        continue;
      case '\r':
        quoted += "\\r";
        continue;
      default:
        break;
    }
    if (IsControl(c) || c > 0x7f) {
      quoted += '\\';
      quoted += static_cast<char>('0' + (c >> 6));
      quoted += static_cast<char>('0' + ((c >> 3) & 7));
      quoted += static_cast<char>('0' + (c & 7));
    } else {
      quoted += byte;
    }
  }
  return quoted + '"';
}

}  // namespace

std::string DiffName(std::string_view name) {
  const bool plain = std::none_of(name.begin(), name.end(), [](char byte) {
    const auto c = static_cast<unsigned char>(byte);
    return c == ' ' || c == '"' || (c == '\\' && !kBackslashIsSeparator) || IsControl(c) ||
           c > 0x7f;
  });
  return plain ? std::string(name) : Quoted(name);
}

std::string ShownName(std::string_view name) {
  const bool plain = !name.starts_with('"') && std::none_of(name.begin(), name.end(), [](char c) {
    return IsControl(static_cast<unsigned char>(c));
  });
  return plain ? std::string(name) : Quoted(name);
}

}  // namespace kelvane::fmt
