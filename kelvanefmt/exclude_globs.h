// The globs of --exclude and how they meet a path.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvane::fmt {

// Shell-style match of a whole `text`: "*" and "?" stop at "/", "**" crosses
// it ("a/**/b" also matches "a/b"), "[a-z]" and "[!a-z]" are classes; any
// other byte matches itself. Linear in the text for a given glob: no
// backtracking, however many stars.
bool GlobMatches(std::string_view glob, std::string_view text);

// The current folder, where relative paths start ("" when it cannot be told).
std::string CurrentFolder();

// The excludes of a run, and which of them left anything out.
class ExcludeGlobs {
 public:
  // `current_folder` is where relative paths start, for globs that start
  // with "/".
  ExcludeGlobs(const std::vector<std::string>& globs, std::string current_folder);

  // True when a glob leaves `path` out; `folder` tells whether the path
  // names a folder. Backslashes count as "/", and "." and empty names are
  // dropped ("./a//b" is "a/b"), in globs too. A glob without "/" is tried
  // on every name in the path ("vendor", "*_gen.lua"); one with "/" on every
  // run of whole names in it ("mods/vendor/*" matches
  // "/home/me/mods/vendor/a.lua"), and one that starts with "/" on the
  // absolute path from its start. A glob that meets a folder leaves out all
  // that is in it; a glob that ends with "/" meets folders only.
  bool Excludes(std::string_view path, bool folder);

  // The globs, as given, that left nothing out so far.
  std::vector<std::string> Unused() const;

 private:
  struct Glob {
    std::string given;
    std::string pattern;        // normal form, without a trailing "/"
    bool names_only = false;    // no "/": tried on single names
    bool folders_only = false;  // it ended with "/"
    bool used = false;
  };
  std::vector<Glob> globs_;
  std::string current_folder_;
};

}  // namespace kelvane::fmt
