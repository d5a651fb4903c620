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
#include "kelvanefmt/run_tally.h"
#include "kelvanefmt/unified_diff.h"

namespace kelvane::fmt {
namespace {

int FormatStandardInputChecked(const FmtOptions& options, FmtStreams& streams) {
  const std::string& name = options.stdin_name;
  const std::string input{std::istreambuf_iterator<char>(streams.in),
                          std::istreambuf_iterator<char>()};
  RunTally tally;
  if (streams.in.bad()) {
    streams.err << name << ": cannot read standard input\n";
    tally.Count(FileOutcome::kFailed);
    return ExitStatus(tally, options.mode);
  }
  const FormatOptions settings = EngineSettings(options);
  NullMessages quiet;
  const FormatResult formatted = FormatText(input, settings, quiet);
  if (formatted.status != FormatStatus::kOk) {
    if (options.mode == ChangeMode::kWrite) streams.out << input;
    streams.out.flush();
    streams.err << name << ": " << RefusalCause(formatted) << '\n';
    tally.Count(FileOutcome::kRefused);
    return ExitStatus(tally, options.mode);
  }
  const bool changed = formatted.text != input;
  tally.Count(changed ? FileOutcome::kChanged : FileOutcome::kUnchanged);
  switch (options.mode) {
    case ChangeMode::kWrite:
      streams.out << formatted.text;
      break;
    case ChangeMode::kCheck:
      if (changed && !options.quiet) streams.out << name << '\n';
      break;
    case ChangeMode::kDiff:
      streams.out << UnifiedDiff(input, formatted.text, name);
      break;
  }
  return ExitStatus(tally, options.mode);
}

}  // namespace

int FormatStandardInput(const FmtOptions& options, FmtStreams& streams) {
  try {
    return FormatStandardInputChecked(options, streams);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  streams.err << options.stdin_name << ": cannot format: out of memory\n";
  RunTally tally;
  tally.Count(FileOutcome::kFailed);
  return ExitStatus(tally, options.mode);
}

}  // namespace kelvane::fmt
