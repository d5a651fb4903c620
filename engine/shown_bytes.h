// How messages show the bytes of a text on one line.
#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// Appends `bytes` as a one-line message shows them: LF as "\n", every other
// control byte as "?". The meaning check's refusals and kelvanefmt's
// excerpts show text alike, and kelvanefmt reads the engine's excerpts back
// by this rule.
inline void AppendShownBytes(std::string& out, std::string_view bytes) {
  for (const char byte : bytes) {
    const unsigned char c = static_cast<unsigned char>(byte);
    if (c == '\n') {
      out += "\\n";
    } else if (c < 32 || c == 127) {
      out += '?';
    } else {
      out += byte;
    }
  }
}

}  // namespace kelvane
