// Where ProcessCode sends its messages and debug entries. The driver writes
// them to standard output and the debug file; tests record them.
#pragma once

#include <string_view>

namespace kelvane {

class Messages {
 public:
  virtual ~Messages() = default;
  // PrintMessage: one line of progress, always shown.
  virtual void PrintMessage(std::string_view text) = 0;
  // PrintVerbose: shown only with "-verbose".
  virtual void PrintVerbose(std::string_view text) = 0;
  // WriteDebug: one entry of the debug file, only with "-debug". Returns false
  // when the debug file cannot be written; the run then stops.
  virtual bool WriteDebug(std::string_view text, std::string_view label) = 0;
  // True when WriteDebug does anything, so that passes that would have to
  // build an intermediate text only for the debug file can skip it.
  virtual bool DebugEnabled() const = 0;
};

// Discards everything: for callers that only want the formatted text.
class NullMessages final : public Messages {
 public:
  void PrintMessage(std::string_view) override {}
  void PrintVerbose(std::string_view) override {}
  bool WriteDebug(std::string_view, std::string_view) override { return true; }
  bool DebugEnabled() const override { return false; }
};

}  // namespace kelvane
