// The text is read whole before anything is written, so a failure shows
// before any output.

#include "kelvanefmt/format_stdin.h"

#include <iterator>
#include <new>
#include <stdexcept>
#include <string>

#include "kelvanefmt/exclude_globs.h"
#include "kelvanefmt/format_file.h"
#include "kelvanefmt/format_lua_text.h"
#include "kelvanefmt/run_tally.h"
#include "kelvanefmt/unified_diff.h"

namespace kelvane::fmt {
namespace {

// Without --check or --diff, the text goes back as it came.
int LeaveAlone(const std::string& input, const FmtOptions& options, FmtStreams& streams,
               const std::string& cause, FileOutcome outcome) {
  if (options.mode == ChangeMode::kWrite) streams.out << input;
  streams.out.flush();
  if (!cause.empty()) streams.err << cause << '\n';
  RunTally tally;
  tally.Count(outcome);
  return ExitStatus(tally, options.mode);
}

int FormatStandardInputChecked(const FmtOptions& options, ConfigFinder& configs,
                               FmtStreams& streams) {
  const std::string& name = options.stdin_name;
  const std::string input{std::istreambuf_iterator<char>(streams.in),
                          std::istreambuf_iterator<char>()};
  RunTally tally;
  if (streams.in.bad()) {
    streams.err << name << ": cannot read standard input\n";
    tally.Count(FileOutcome::kFailed);
    return ExitStatus(tally, options.mode);
  }
  const ConfigLookup config = configs.ForPath(options.stdin_named ? name : "<stdin>");
  if (!config.error.empty())
    return LeaveAlone(input, options, streams, config.error, FileOutcome::kFailed);
  if (options.stdin_named && (IsExcluded(options.excludes, name) ||
                              (config.config && ConfigExcludes(*config.config, name)))) {
    return LeaveAlone(input, options, streams, "", FileOutcome::kUnchanged);
  }
  const LuaTextResult formatted = FormatLuaText(input, SettingsFor(options, config.config.get()));
  if (!formatted.ok) {
    return LeaveAlone(input, options, streams, name + ": " + formatted.cause,
                      FileOutcome::kRefused);
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

int FormatStandardInput(const FmtOptions& options, ConfigFinder& configs, FmtStreams& streams) {
  try {
    return FormatStandardInputChecked(options, configs, streams);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  streams.err << options.stdin_name << ": cannot format: out of memory\n";
  RunTally tally;
  tally.Count(FileOutcome::kFailed);
  return ExitStatus(tally, options.mode);
}

}  // namespace kelvane::fmt
