// The folder part of a path, used as the engine's working folder.
#pragma once

#include <string>
#include <string_view>

namespace kelvane::frontend {

// The path up to and including its last "\" or "/", or the empty text when it
// has none. A leading double quote is skipped, and the scan stops at the first
// "|". Example: C:\Work\game\ai.lua gives C:\Work\game\ .
std::string PathPart(std::string_view path);

}  // namespace kelvane::frontend
