// Folder walk with std::filesystem. Paths keep the spelling the user gave,
// with names appended after the platform's separator, so that messages show
// them as the user would type them.

#include "kelvanefmt/file_search.h"

#include <cctype>
#include <filesystem>
#include <system_error>
#include <unordered_set>

#include "kelvanefmt/exclude_globs.h"

namespace kelvane::fmt {
namespace {

namespace fs = std::filesystem;

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
  Walker(const std::vector<std::string>& excludes,
         const std::function<bool(const std::string&, bool)>& leave_out, SearchResult& result,
         const std::function<void(const std::string&)>& found)
      : excludes_(excludes), leave_out_(leave_out), result_(result), found_(found) {}

  // A file named twice, or named and inside a named folder, is taken once.
  void File(const std::string& path) {
    if (!seen_.insert(path).second) return;
    result_.files.push_back(path);
    found_(path);
  }

  void SearchFolder(const std::string& folder) {
    std::error_code error;
    fs::directory_iterator entries(fs::path(folder), error);
    if (error) return Problem(folder, error);
    const std::string prefix = EndsWithSeparator(folder) ? folder : folder + kSeparator;
    for (const fs::directory_iterator end; entries != end; entries.increment(error)) {
      const std::string name = entries->path().filename().string();
      if (name.starts_with('.')) continue;
      const std::string path = prefix + name;
      if (IsExcluded(excludes_, path) || leave_out_(path, false)) continue;
      // The entry's type comes with the folder listing where the system
      // gives it, so most entries cost no call of their own. A link is
      // looked at, never followed.
      if (entries->is_symlink(error)) continue;
      if (!error && entries->is_directory(error)) {
        SearchFolder(path);
      } else if (!error && IsLuaName(name) && entries->is_regular_file(error)) {
        File(path);
      }
      if (error) {
        Problem(path, error);
        error.clear();
      }
    }
    if (error) Problem(folder, error);
  }

  void Problem(const std::string& path, const std::error_code& error) {
    result_.problems.push_back({path, error.message()});
  }

 private:
  const std::vector<std::string>& excludes_;
  const std::function<bool(const std::string&, bool)>& leave_out_;
  SearchResult& result_;
  const std::function<void(const std::string&)>& found_;
  std::unordered_set<std::string> seen_;
};

}  // namespace

SearchResult FindLuaFiles(const std::vector<std::string>& paths,
                          const std::vector<std::string>& excludes,
                          const std::function<bool(const std::string&, bool)>& leave_out,
                          const std::function<void(const std::string&)>& found) {
  SearchResult result;
  Walker walker(excludes, leave_out, result, found);
  for (const std::string& path : paths) {
    if (IsExcluded(excludes, path) || leave_out(path, true)) continue;
    std::error_code error;
    // A path the user names is followed, even when it is a link.
    const fs::file_status status = fs::status(fs::path(path), error);
    if (fs::is_directory(status)) {
      walker.SearchFolder(path);
    } else if (error && !fs::exists(status)) {
      walker.Problem(path, error);
    } else {
      // A named file, device or pipe: reading it reports what goes wrong.
      walker.File(path);
    }
  }
  return result;
}

}  // namespace kelvane::fmt
