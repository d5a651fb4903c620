// The config file, .kelvanefmt.toml: what a project sets once instead of on
// every command line, read with toml++.
//
//   line_endings = "keep"     # or "lf", "crlf"
//   header = true             # the header line on top
//   strip_comments = false    # the engine's "-s"
//   exclude = ["vendor", "gen/**"]
//   respect_gitignore = true  # leave out what .gitignore and .ignore leave out
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kelvanefmt/fmt_options.h"

namespace kelvane::fmt {

inline constexpr const char* kConfigName = ".kelvanefmt.toml";

struct FmtConfig {
  std::string path;    // the file it was read from
  std::string folder;  // its folder, absolute: excludes match paths relative to it
  std::optional<LineEnds> line_ends;
  std::optional<bool> header;
  std::optional<bool> strip_comments;
  std::vector<std::string> excludes;
  bool respect_gitignore = true;
};

// Reads the config file at `path`. On failure, no config, and `error` says
// why in one line that names the file, the line and the key:
//   "mods/.kelvanefmt.toml:3: unknown key "tabs""
//   "mods/.kelvanefmt.toml:2: "line_endings" must be "keep", "lf" or "crlf""
std::optional<FmtConfig> ReadFmtConfig(const std::string& path, std::string& error);

// The same from the file's bytes, for tests and for a text not on disk.
std::optional<FmtConfig> ParseFmtConfig(const std::string& text, const std::string& path,
                                        std::string& error);

}  // namespace kelvane::fmt
