// What .gitignore and .ignore files leave out of a folder that lies in a git
// work tree, as git itself reads them: the folder search skips those paths.
// git is asked once per folder named on the command line.
#pragma once

#include <string>
#include <unordered_set>

namespace kelvane::fmt {

class GitIgnored {
 public:
  // Asks git about the folder `folder` (spelt as the search spells it).
  // Outside a work tree nothing is left out. When git is missing, or cannot
  // read the work tree, `note` says so (once per run for a missing git);
  // otherwise `note` is left as it is.
  void AskAbout(const std::string& folder, std::string& note);

  // True when git leaves out the file or folder at `path`, as the search
  // spells it: untracked paths that .gitignore, .git/info/exclude or the
  // global excludes name, and any path that a .ignore file names.
  bool Contains(const std::string& path) const { return paths_.count(path) != 0; }

 private:
  std::unordered_set<std::string> paths_;
  bool said_git_missing_ = false;
};

}  // namespace kelvane::fmt
