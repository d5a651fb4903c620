// Messages written to standard output and debug entries appended to the
// debug file: the engine's console implementation of Messages.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/run_settings.h"
#include "engine/messages.h"
#include "files/file_io.h"

namespace kelvane {

class ConsoleMessages final : public Messages {
 public:
  // `debug_file` receives the debug entries when "-debug" is on; it is
  // opened, and later committed, by the caller.
  ConsoleMessages(std::ostream& out, const RunSettings& settings,
                  FileReplacement* debug_file = nullptr);

  // Each message is written with one LF after it and flushed at once, so a
  // reader on a pipe sees progress as it happens.
  void PrintMessage(std::string_view text) override;
  void PrintVerbose(std::string_view text) override;
  // Appends one entry to the debug file when "-debug" is on.
  bool WriteDebug(std::string_view text, std::string_view label) override;
  bool DebugEnabled() const override { return debug_; }

  // The errno value of the last failed debug write, 0 if none failed.
  int debug_error() const { return debug_error_; }

 private:
  std::ostream& out_;
  bool verbose_;
  bool debug_;
  FileReplacement* debug_file_;
  int debug_error_ = 0;
};

// Writes a duration in whole milliseconds as seconds in the shortest decimal
// form: 12 -> "0.012", 1500 -> "1.5", 2000 -> "2".
std::string FormatSeconds(int64_t milliseconds);

}  // namespace kelvane
