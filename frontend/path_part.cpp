// The folder part of a path.
#include "frontend/path_part.h"

namespace kelvane::frontend {

std::string PathPart(std::string_view path) {
  if (!path.empty() && path.front() == '"') path.remove_prefix(1);
  path = path.substr(0, path.find('|'));
  const size_t last_separator = path.find_last_of("\\/");
  if (last_separator == std::string_view::npos) return std::string();
  return std::string(path.substr(0, last_separator + 1));
}

}  // namespace kelvane::frontend
