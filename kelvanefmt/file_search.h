// Turns the PATH arguments into the files to format.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "files/file_io.h"
#include "kelvanefmt/exclude_globs.h"

namespace kelvane::fmt {

// A file to format: how the user would name it, and where it was found, so
// that it is later reached through the very folder that was searched and by
// its name there, following no link.
struct FoundFile {
  std::string path;  // the spelling the user gave, names appended: for messages
  std::string folder;
  FileIdentity folder_identity;
  std::string name;  // its name in `folder`
};

struct SearchProblem {
  std::string path;
  std::string cause;
};

struct SearchResult {
  std::vector<FoundFile> files;         // in the order found, each file once
  std::vector<SearchProblem> problems;  // paths that could not be looked at
};

// A named file is taken whatever its name, after its links; a named folder
// is searched for "*.lua" files, through every folder below it. Inside
// folders, hidden entries (names that start with ".") and symbolic links are
// skipped, and no link is followed, so a search never leaves the tree it was
// given. Each file (device and inode) is taken once, however often and
// however spelt it is named or found. Paths that `excludes` leaves out are
// left out, and an excluded folder is not searched; so are the paths for
// which leave_out(path, named) is true (`named`: the path is one of
// `paths`). Each file is also handed to `found` the moment it is found, so
// that work on it can start while the search goes on.
SearchResult FindLuaFiles(const std::vector<std::string>& paths, ExcludeGlobs& excludes,
                          const std::function<bool(const std::string&, bool)>& leave_out,
                          const std::function<void(const FoundFile&)>& found);

}  // namespace kelvane::fmt
