// Turns the PATH arguments into the sorted list of files to format.
#pragma once

#include <string>
#include <vector>

namespace kelvane::fmt {

struct SearchProblem {
  std::string path;
  std::string cause;
};

struct SearchResult {
  std::vector<std::string> files;        // sorted by bytes, each once
  std::vector<SearchProblem> problems;  // paths that could not be looked at
};

// A named file is taken whatever its name; a named folder is searched
// recursively for "*.lua" files. Inside folders, hidden entries (names that
// start with ".") and symbolic links are skipped, so a search never leaves the
// tree it was given nor meets a file twice. Paths matching an exclude glob are
// left out, and an excluded folder is not searched.
SearchResult FindLuaFiles(const std::vector<std::string>& paths,
                          const std::vector<std::string>& excludes);

}  // namespace kelvane::fmt
