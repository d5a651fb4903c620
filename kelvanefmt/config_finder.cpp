// Folders are compared by their absolute, lexically normal spelling: links
// are not resolved, so a path's config is the one its spelling leads to.

#include "kelvanefmt/config_finder.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "kelvanefmt/exclude_globs.h"

namespace kelvane::fmt {
namespace {

namespace fs = std::filesystem;

ConfigLookup Read(const std::string& path) {
  ConfigLookup lookup;
  if (std::optional<FmtConfig> config = ReadFmtConfig(path, lookup.error)) {
    lookup.config = std::make_shared<const FmtConfig>(std::move(*config));
  }
  return lookup;
}

// A config file found by the search, named in messages as the user would
// name it: relative to the current folder when it lies inside it.
std::string Shown(const fs::path& absolute) {
  std::error_code error;
  const fs::path relative = absolute.lexically_relative(fs::current_path(error));
  if (error || relative.empty() || *relative.begin() == "..") return absolute.string();
  return relative.string();
}

fs::path AbsoluteNormal(const std::string& path) {
  std::error_code error;
  fs::path absolute = fs::absolute(fs::path(path), error);
  if (error) absolute = fs::path(path);
  return absolute.lexically_normal();
}

}  // namespace

ConfigFinder::ConfigFinder(const FmtOptions& options) {
  if (!options.config_path.empty()) {
    search_ = false;
    fixed_ = Read(options.config_path);
  } else if (options.no_config) {
    search_ = false;
  }
}

ConfigLookup ConfigFinder::ForPath(const std::string& path) {
  if (!search_) return fixed_;
  const size_t separator = path.find_last_of("/\\");
  const std::string spelling = separator == std::string::npos ? "" : path.substr(0, separator + 1);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (const auto known = by_spelling_.find(spelling); known != by_spelling_.end()) {
      return known->second;
    }
  }
  ConfigLookup lookup = ForFolder(AbsoluteNormal(path).parent_path().string());
  std::lock_guard<std::mutex> lock(mutex_);
  by_spelling_[spelling] = lookup;
  return lookup;
}

// The folders from `folder` up to the first one already known (or the
// root), then their answers from the top down: each folder's is its own
// config file, or else its parent's.
ConfigLookup ConfigFinder::ForFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<fs::path> unknown;
  ConfigLookup inherited;
  for (fs::path at(folder);; at = at.parent_path()) {
    if (const auto known = by_folder_.find(at.string()); known != by_folder_.end()) {
      inherited = known->second;
      break;
    }
    unknown.push_back(at);
    if (at == at.parent_path() || at.empty()) break;
  }
  for (auto it = unknown.rbegin(); it != unknown.rend(); ++it) {
    const fs::path candidate = *it / kConfigName;
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) inherited = Read(Shown(candidate));
    by_folder_[it->string()] = inherited;
  }
  return inherited;
}

FileSettings SettingsFor(const FmtOptions& options, const FmtConfig* config) {
  FileSettings settings;
  if (config != nullptr) {
    settings.line_ends = config->line_ends.value_or(settings.line_ends);
    settings.strip_comments = config->strip_comments.value_or(settings.strip_comments);
    settings.header = config->header.value_or(settings.header);
  }
  settings.line_ends = options.line_ends.value_or(settings.line_ends);
  settings.strip_comments = options.strip_comments.value_or(settings.strip_comments);
  settings.header = options.header.value_or(settings.header);
  return settings;
}

bool ConfigExcludes(const FmtConfig& config, const std::string& path) {
  if (config.excludes.empty()) return false;
  const fs::path relative = AbsoluteNormal(path).lexically_relative(fs::path(config.folder));
  // A path outside the config's folder (named with --config) is matched as it
  // is, from the current folder.
  if (relative.empty() || *relative.begin() == "..") {
    return ExcludeGlobs(config.excludes, CurrentFolder()).Excludes(path, false);
  }
  return ExcludeGlobs(config.excludes, config.folder).Excludes(relative.string(), false);
}

}  // namespace kelvane::fmt
