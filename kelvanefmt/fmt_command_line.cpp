// The switches, their help texts and their defaults.

#include "kelvanefmt/fmt_command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <thread>

#include "kelvanefmt/run_tally.h"

namespace kelvane::fmt {

std::optional<FmtOptions> ParseFmtCommandLine(int argc, const char* const* argv, std::ostream& out,
                                              std::ostream& err, int& exit_status) {
  FmtOptions options;
  options.jobs = std::max(1u, std::thread::hardware_concurrency());

  CLI::App app{
      "Formats Lua files in place: every PATH that is a file, and every *.lua file in the\n"
      "folders among them (hidden folders and symbolic links skipped). \"-\", or no PATH\n"
      "while standard input is not a terminal, formats standard input to standard output.",
      "kelvanefmt"};
  app.add_option("PATH", options.paths, "Files and folders to format; \"-\" for standard input");
  app.footer("Every argument after \"--\" is a PATH, even one that starts with \"-\".");
  bool check = false;
  bool diff = false;
  auto* check_flag = app.add_flag(
      "--check", check, "Write nothing; name every file that would change, exit 1 if any");
  app.add_flag("--diff", diff, "Write nothing; print a unified diff of every change, exit 1 if any")
      ->excludes(check_flag);
  app.add_option("--exclude", options.excludes,
                 "Leave out paths that match GLOB (repeatable); a GLOB without \"/\" matches\n"
                 "any one file or folder name")
      ->type_name("GLOB")
      ->allow_extra_args(false);
  app.add_option("--stdin-name", options.stdin_name, "The name of standard input in messages")
      ->type_name("NAME");
  app.add_flag("--strip-comments", options.strip_comments,
               "Delete comments, and add no header line (the engine's -s)");
  app.add_flag("--lf", options.lf, "End lines with LF instead of CR LF (the engine's -unix)");
  app.add_flag("-q,--quiet", options.quiet, "No line per changed file");
  app.add_option("-j,--jobs", options.jobs,
                 "Files formatted in parallel (default: hardware threads)")
      ->type_name("N")
      ->check(CLI::Range(1u, 1024u));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    exit_status = app.exit(error, out, err) == 0 ? 0 : kUsageErrorStatus;
    return std::nullopt;
  }
  if (check) options.mode = ChangeMode::kCheck;
  if (diff) options.mode = ChangeMode::kDiff;
  return options;
}

}  // namespace kelvane::fmt
