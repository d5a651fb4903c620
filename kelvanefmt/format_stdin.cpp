// The text is read whole before anything is written, so a failure shows
// before any output.

#include "kelvanefmt/format_stdin.h"

#include <iterator>
#include <new>
#include <stdexcept>
#include <string>

#include "engine/format_text.h"
#include "engine/messages.h"
#include "kelvanefmt/format_file.h"
#include "kelvanefmt/unified_diff.h"

namespace kelvane::fmt {
namespace {

int FormatStandardInputChecked(const FmtOptions& options, FmtStreams& streams) {
  const std::string& name = options.stdin_name;
  const std::string input{std::istreambuf_iterator<char>(streams.in),
                          std::istreambuf_iterator<char>()};
  if (streams.in.bad()) {
    streams.err << name << ": cannot read standard input\n";
    return 2;
  }
  RunSettings settings = EngineSettings(options);
  settings.SrcPath = name;
  NullMessages quiet;
  const FormatResult formatted = FormatText(input, settings, quiet);
  if (formatted.status != FormatStatus::kOk) {
    if (options.mode == ChangeMode::kWrite) streams.out << input;
    streams.out.flush();
    streams.err << name << ": " << RefusalCause(formatted) << '\n';
    return 2;
  }
  const bool changed = formatted.text != input;
  switch (options.mode) {
    case ChangeMode::kWrite:
      streams.out << formatted.text;
      return 0;
    case ChangeMode::kCheck:
      if (changed && !options.quiet) streams.out << name << '\n';
      break;
    case ChangeMode::kDiff:
      streams.out << UnifiedDiff(input, formatted.text, name);
      break;
  }
  return changed ? 1 : 0;
}

}  // namespace

int FormatStandardInput(const FmtOptions& options, FmtStreams& streams) {
  try {
    return FormatStandardInputChecked(options, streams);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  streams.err << options.stdin_name << ": cannot format: out of memory\n";
  return 2;
}

}  // namespace kelvane::fmt
