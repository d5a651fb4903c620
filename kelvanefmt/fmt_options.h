// What one kelvanefmt run is asked to do, as read from its command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kelvane::fmt {

// What happens to a file whose formatted text differs from its content.
enum class ChangeMode {
  kWrite,  // replace the file (standard input: write the result to standard output)
  kCheck,  // name it, write nothing
  kDiff,   // print a unified diff, write nothing
};

// The line ends a formatted file gets.
enum class LineEnds {
  kKeep,  // the kind most of the file's lines end with; LF when it has none
  kLf,
  kCrLf,
};

struct FmtOptions {
  std::vector<std::string> paths;     // files and folders; "-" is standard input
  std::vector<std::string> excludes;  // globs of paths to leave out
  std::string stdin_name = "<stdin>";
  bool stdin_named = false;  // --stdin-name was given: its folder's config applies
  ChangeMode mode = ChangeMode::kWrite;
  bool quiet = false;  // no line per changed file
  // Given on the command line, these win over the config file's settings.
  std::optional<LineEnds> line_ends;   // --lf, --crlf
  std::optional<bool> strip_comments;  // --strip-comments: the engine's "-s"
  std::optional<bool> header;          // --no-header
  std::string config_path;             // --config: this file for every path
  bool no_config = false;              // --no-config: no config file at all
  bool no_ignore = false;              // --no-ignore: .gitignore and .ignore not read
  bool lsp = false;                    // --lsp: a language server on the standard streams
  unsigned jobs = 1;
};

}  // namespace kelvane::fmt
