// Which config file governs a path: the one named by --config, none with
// --no-config, else the nearest .kelvanefmt.toml in the path's folder or a
// folder above it. Each folder is looked at once per run.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "kelvanefmt/fmt_config.h"
#include "kelvanefmt/fmt_options.h"

namespace kelvane::fmt {

struct ConfigLookup {
  std::shared_ptr<const FmtConfig> config;  // null: no config file applies
  std::string error;                        // the governing file is bad: why, naming it
};

class ConfigFinder {
 public:
  // Reads the --config file at once, if there is one; `error` tells whether
  // it is bad.
  explicit ConfigFinder(const FmtOptions& options);

  // The config for the file or folder at `path` (which need not exist): the
  // one found from its folder up. Safe to call from several threads.
  ConfigLookup ForPath(const std::string& path);

  const std::string& error() const { return fixed_.error; }

 private:
  ConfigLookup ForFolder(const std::string& folder);

  bool search_ = true;
  ConfigLookup fixed_;  // --config's, or none with --no-config
  std::mutex mutex_;
  std::map<std::string, ConfigLookup> by_folder_;  // by absolute, normal spelling
  // By the folder part of the paths asked about, as they are spelt, so that
  // the files of one folder cost one lookup and no path arithmetic.
  std::map<std::string, ConfigLookup> by_spelling_;
};

// What governs the formatting of one file: the command line over its config
// file over the defaults.
struct FileSettings {
  LineEnds line_ends = LineEnds::kKeep;
  bool strip_comments = false;
  bool header = true;
};

FileSettings SettingsFor(const FmtOptions& options, const FmtConfig* config);

// True when a glob of the config leaves `path` out; the globs see the path
// relative to the config file's folder.
bool ConfigExcludes(const FmtConfig& config, const std::string& path);

}  // namespace kelvane::fmt
