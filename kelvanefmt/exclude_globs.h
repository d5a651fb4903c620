// The globs of --exclude and how they meet a path.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvane::fmt {

// Shell-style match of a whole `text`: "*" and "?" stop at "/", "**" crosses
// it, "[a-z]" and "[!a-z]" are classes; any other byte matches itself.
bool GlobMatches(std::string_view glob, std::string_view text);

// True when a glob leaves `path` out. Backslashes count as "/" and a leading
// "./" is ignored. A glob without "/" is tried on every name in the path
// ("vendor", "*_gen.lua"); one with "/" on the whole path and on every tail
// of it that starts at a name ("mods/vendor/*" matches "/home/me/mods/vendor/a.lua").
bool IsExcluded(const std::vector<std::string>& globs, std::string_view path);

}  // namespace kelvane::fmt
