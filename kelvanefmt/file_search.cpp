// Folder walk over the file library's folders: each folder is opened and
// checked to be the one its parent listed, and listed once; the folders still
// to search wait on a stack, so a deep tree costs no deep recursion. Paths
// keep the spelling the user gave, with names appended after the platform's
// separator, so that messages show them as the user would type them.

#include "kelvanefmt/file_search.h"

#include <cctype>
#include <set>
#include <utility>

namespace kelvane::fmt {
namespace {

// Windows names ignore letter case, so "AI.LUA" is a Lua file there.
#ifdef _WIN32
constexpr char kSeparator = '\\';
constexpr bool kNamesIgnoreCase = true;
#else
constexpr char kSeparator = '/';
constexpr bool kNamesIgnoreCase = false;
#endif

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

bool IsLuaName(const std::string& name) {
  if (name.size() <= 4) return false;
  std::string extension = name.substr(name.size() - 4);
  if (kNamesIgnoreCase) {
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return extension == ".lua";
}

class Walker {
 public:
  Walker(ExcludeGlobs& excludes, const std::function<bool(const std::string&, bool)>& leave_out,
         SearchResult& result, const std::function<void(const FoundFile&)>& found)
      : excludes_(excludes), leave_out_(leave_out), result_(result), found_(found) {}

  // A path named on the command line: followed, even when it is a link.
  void Named(const std::string& path) {
    FileIdentity identity;
    if (FileStatus status = IdentifyPath(path, identity); !status.ok()) {
      if (!excludes_.Excludes(path, false) && !leave_out_(path, true)) Problem(path, status);
      return;
    }
    const bool is_folder = identity.kind == FileKind::kFolder;
    if (excludes_.Excludes(path, is_folder) || leave_out_(path, true)) return;
    if (is_folder) return SearchFrom(path, identity);
    // A named file, device or pipe: reading it reports what it is. Its
    // links are followed to the folder it lies in.
    FoundFile file;
    file.path = path;
    if (FileStatus status = LocateFile(path, file.folder, file.name); !status.ok()) {
      return Problem(path, status);
    }
    Folder folder;
    if (FileStatus status = folder.Open(file.folder); !status.ok()) return Problem(path, status);
    file.folder_identity = folder.identity();
    Take(std::move(file), identity);
  }

 private:
  struct PendingFolder {
    std::string path;
    FileIdentity identity;
  };

  // Searches the folder at `path` and every folder below it.
  void SearchFrom(const std::string& path, const FileIdentity& identity) {
    std::vector<PendingFolder> pending = {{path, identity}};
    std::vector<FolderEntry> entries;
    while (!pending.empty()) {
      const PendingFolder current = std::move(pending.back());
      pending.pop_back();
      Folder folder;
      FileStatus status = folder.Open(current.path, &current.identity);
      if (status.ok()) status = ListFolder(folder, entries);
      if (!status.ok()) {
        Problem(current.path, status);
        continue;
      }
      const std::string prefix =
          EndsWithSeparator(current.path) ? current.path : current.path + kSeparator;
      std::vector<PendingFolder> below;
      for (const FolderEntry& entry : entries) {
        if (entry.name.starts_with('.')) continue;
        const bool is_folder = entry.kind == FileKind::kFolder;
        const bool is_lua_file = entry.kind == FileKind::kRegular && IsLuaName(entry.name);
        if (!is_folder && !is_lua_file) continue;  // links included: never followed
        const std::string child = prefix + entry.name;
        if (excludes_.Excludes(child, is_folder) || leave_out_(child, false)) continue;
        // An entry that became something else meanwhile (a link) is skipped.
        FileIdentity child_identity;
        if (status = IdentifyIn(folder, entry.name, child_identity); !status.ok()) {
          Problem(child, status);
        } else if (child_identity.kind != entry.kind) {
          continue;
        } else if (is_folder) {
          below.push_back({child, child_identity});
        } else {
          Take({child, folder.path(), folder.identity(), entry.name}, child_identity);
        }
      }
      // Searched in the order listed.
      pending.insert(pending.end(), std::make_move_iterator(below.rbegin()),
                     std::make_move_iterator(below.rend()));
    }
  }

  // A file named twice, or named and inside a named folder, is taken once.
  void Take(FoundFile file, const FileIdentity& identity) {
    if (!seen_.insert({identity.device, identity.inode}).second) return;
    result_.files.push_back(std::move(file));
    found_(result_.files.back());
  }

  void Problem(const std::string& path, FileStatus status) {
    result_.problems.push_back({path, status.Describe()});
  }

  ExcludeGlobs& excludes_;
  const std::function<bool(const std::string&, bool)>& leave_out_;
  SearchResult& result_;
  const std::function<void(const FoundFile&)>& found_;
  std::set<std::pair<uint64_t, uint64_t>> seen_;  // device and inode
};

}  // namespace

SearchResult FindLuaFiles(const std::vector<std::string>& paths, ExcludeGlobs& excludes,
                          const std::function<bool(const std::string&, bool)>& leave_out,
                          const std::function<void(const FoundFile&)>& found) {
  SearchResult result;
  Walker walker(excludes, leave_out, result, found);
  for (const std::string& path : paths) walker.Named(path);
  return result;
}

}  // namespace kelvane::fmt
