// Turns the PATH arguments into the files to format.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kelvane::fmt {

struct SearchProblem {
  std::string path;
  std::string cause;
};

struct SearchResult {
  std::vector<std::string> files;       // in the order found, each once
  std::vector<SearchProblem> problems;  // paths that could not be looked at
};

// A named file is taken whatever its name; a named folder is searched
// recursively for "*.lua" files. Inside folders, hidden entries (names that
// start with ".") and symbolic links are skipped, so a search never leaves the
// tree it was given nor meets a file twice. Paths matching an exclude glob are
// left out, and an excluded folder is not searched; so are the paths for
// which leave_out(path, named) is true (`named`: the path is one of `paths`).
// Each file is also handed to `found` the moment it is found, so that work
// on it can start while the search goes on.
SearchResult FindLuaFiles(const std::vector<std::string>& paths,
                          const std::vector<std::string>& excludes,
                          const std::function<bool(const std::string&, bool)>& leave_out,
                          const std::function<void(const std::string&)>& found);

}  // namespace kelvane::fmt
