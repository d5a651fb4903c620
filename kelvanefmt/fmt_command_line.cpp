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
      "folders among them (hidden folders, symbolic links and what .gitignore and .ignore\n"
      "leave out skipped). \"-\" formats standard input to standard output. Settings come\n"
      "from the nearest .kelvanefmt.toml above each file; the switches win over it.",
      "kelvanefmt"};
  app.set_version_flag("--version", "kelvanefmt " KELVANE_VERSION, "Print the version and exit");
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
  app.add_option("--stdin-name", options.stdin_name,
                 "The name of standard input in messages; its folder's config applies")
      ->type_name("NAME");
  bool strip_comments = false;
  app.add_flag("--strip-comments", strip_comments,
               "Delete comments, and add no header line (the engine's -s)");
  bool no_header = false;
  app.add_flag("--no-header", no_header, "Add no header line");
  bool lf = false;
  bool crlf = false;
  auto* lf_flag = app.add_flag("--lf", lf, "End lines with LF (default: as the file does)");
  app.add_flag("--crlf", crlf, "End lines with CR LF (default: as the file does)")
      ->excludes(lf_flag);
  app.add_option("--config", options.config_path,
                 "Take the settings from this file instead of the nearest .kelvanefmt.toml")
      ->type_name("PATH");
  auto* no_config_flag =
      app.add_flag("--no-config", options.no_config, "Read no .kelvanefmt.toml at all");
  app.get_option("--config")->excludes(no_config_flag);
  app.add_flag("--no-ignore", options.no_ignore,
               "Format what .gitignore and .ignore files leave out, too");
  app.add_flag("--lsp", options.lsp,
               "Be a language server: formatting requests over standard input and output");
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
  // Standard input only when asked for: a hook whose file list came out
  // empty must not wait for input that never comes.
  if (options.paths.empty() && !options.lsp) {
    err << "kelvanefmt: no PATH given (\"-\" formats standard input)\n"
           "Usage: kelvanefmt [OPTIONS] PATH...\n"
           "       kelvanefmt [OPTIONS] -\n"
           "       kelvanefmt --lsp\n"
           "Run 'kelvanefmt --help' for the options.\n";
    exit_status = kUsageErrorStatus;
    return std::nullopt;
  }
  if (options.lsp && !options.paths.empty()) {
    err << "kelvanefmt: --lsp takes no PATH: the editor sends the texts\n";
    exit_status = kUsageErrorStatus;
    return std::nullopt;
  }
  if (check) options.mode = ChangeMode::kCheck;
  if (diff) options.mode = ChangeMode::kDiff;
  if (lf) options.line_ends = LineEnds::kLf;
  if (crlf) options.line_ends = LineEnds::kCrLf;
  if (strip_comments) options.strip_comments = true;
  if (no_header) options.header = false;
  options.stdin_named = app.count("--stdin-name") > 0;
  return options;
}

}  // namespace kelvane::fmt
