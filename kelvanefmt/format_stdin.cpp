// The text is read whole, up to the input limit, before anything is written,
// so a failure shows before any output; the text stays in hand until the
// result is written, so that in place of a result it can be given back.

#include "kelvanefmt/format_stdin.h"

#include <new>
#include <stdexcept>
#include <string>

#include "files/file_io.h"
#include "kelvanefmt/exclude_globs.h"
#include "kelvanefmt/format_file.h"
#include "kelvanefmt/format_lua_text.h"
#include "kelvanefmt/quoted_name.h"
#include "kelvanefmt/run_tally.h"
#include "kelvanefmt/unified_diff.h"

namespace kelvane::fmt {
namespace {

// What became of standard input: read whole, or why not.
enum class ReadOutcome { kRead, kTooLarge, kUnreadable, kOutOfMemory };

// A piece of standard input read but not yet in the text: the piece that
// passed the limit, or that there was no memory left to append.
struct Held {
  char bytes[1 << 16];
  size_t size = 0;
};

// Reads `in` into `text` up to kInputSizeLimit bytes. What was read stays in
// `text` and `held` whatever happens, also when memory runs out.
ReadOutcome ReadAll(std::istream& in, std::string& text, Held& held) {
  try {
    while (in.read(held.bytes, sizeof held.bytes) || in.gcount() > 0) {
      held.size = static_cast<size_t>(in.gcount());
      if (text.size() + held.size > kInputSizeLimit) return ReadOutcome::kTooLarge;
      text.append(held.bytes, held.size);
      held.size = 0;
    }
  } catch (const std::bad_alloc&) {
    return ReadOutcome::kOutOfMemory;
  } catch (const std::length_error&) {
    return ReadOutcome::kOutOfMemory;
  }
  return in.bad() ? ReadOutcome::kUnreadable : ReadOutcome::kRead;
}

// The formatted text, or else the text goes back as it came: with the line
// for standard error (none for an excluded name), counted as `failure`.
struct StdinResult {
  bool ok = false;
  std::string text;
  std::string message;
  FileOutcome failure = FileOutcome::kFailed;
};

StdinResult Format(const std::string& input, const FmtOptions& options, ConfigFinder& configs,
                   const std::string& shown_name) {
  StdinResult result;
  try {
    const std::string& name = options.stdin_name;
    const ConfigLookup config = configs.ForPath(options.stdin_named ? name : "<stdin>");
    if (!config.error.empty()) {
      result.message = config.error;
      return result;
    }
    if (options.stdin_named &&
        (ExcludeGlobs(options.excludes, CurrentFolder()).Excludes(name, false) ||
         (config.config && ConfigExcludes(*config.config, name)))) {
      result.failure = FileOutcome::kUnchanged;
      return result;
    }
    LuaTextResult formatted = FormatLuaText(input, SettingsFor(options, config.config.get()));
    if (!formatted.ok) {
      result.message = shown_name + ": " + formatted.cause;
      result.failure = FileOutcome::kRefused;
      return result;
    }
    result.ok = true;
    result.text = std::move(formatted.text);
    return result;
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  result = StdinResult{};
  result.message = shown_name + ": cannot format: out of memory";
  return result;
}

}  // namespace

int FormatStandardInput(const FmtOptions& options, ConfigFinder& configs, FmtStreams& streams) {
  const std::string name = ShownName(options.stdin_name);
  RunTally tally;
  std::string input;
  static Held held;  // large for the stack; one standard input per run
  StdinResult result;
  switch (ReadAll(streams.in, input, held)) {
    case ReadOutcome::kRead:
      result = Format(input, options, configs, name);
      break;
    case ReadOutcome::kTooLarge:
      result.message =
          name + ": cannot read standard input: " + FileStatus{kErrorTooLarge}.Describe();
      break;
    case ReadOutcome::kUnreadable:
      result.message = name + ": cannot read standard input";
      break;
    case ReadOutcome::kOutOfMemory:
      result.message = name + ": cannot read standard input: out of memory";
      break;
  }
  if (!result.ok) {
    if (options.mode == ChangeMode::kWrite) {
      // What came in goes out unchanged: what is in hand, then the rest of a
      // stream that was not read to its end, passed through piece by piece.
      streams.out << input;
      streams.out.write(held.bytes, static_cast<std::streamsize>(held.size));
      while (!streams.in.eof() && !streams.in.bad() &&
             (streams.in.read(held.bytes, sizeof held.bytes) || streams.in.gcount() > 0)) {
        streams.out.write(held.bytes, streams.in.gcount());
      }
    }
    streams.out.flush();
    if (!result.message.empty()) streams.err << result.message << '\n';
    tally.Count(result.failure);
    return ExitStatus(tally, options.mode);
  }
  const bool changed = result.text != input;
  tally.Count(changed ? FileOutcome::kChanged : FileOutcome::kUnchanged);
  switch (options.mode) {
    case ChangeMode::kWrite:
      streams.out << result.text;
      break;
    case ChangeMode::kCheck:
      if (changed && !options.quiet) streams.out << name << '\n';
      break;
    case ChangeMode::kDiff:
      streams.out << UnifiedDiff(input, result.text, options.stdin_name);
      break;
  }
  return ExitStatus(tally, options.mode);
}

}  // namespace kelvane::fmt
