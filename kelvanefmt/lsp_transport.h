// The Language Server Protocol's framing: each message is a header
// ("Content-Length: N", a blank line) and N bytes of JSON.
#pragma once

#include <istream>
#include <ostream>
#include <string>

namespace kelvane::fmt {

enum class ReadStatus {
  kMessage,  // `body` holds the next message
  kEnd,      // the stream ended between messages
  kBroken,   // a header without a Content-Length, or a stream that ended inside a message
};

ReadStatus ReadLspMessage(std::istream& in, std::string& body);

// Writes one message and flushes it.
void WriteLspMessage(std::ostream& out, const std::string& body);

}  // namespace kelvane::fmt
