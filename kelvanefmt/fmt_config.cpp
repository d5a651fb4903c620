// Every key is checked by name and type; anything the file says that
// kelvanefmt would not act on is an error, so that a misspelt key never
// goes unnoticed.

#include "kelvanefmt/fmt_config.h"

#include <toml++/toml.h>

#include <filesystem>
#include <string_view>

#include "files/file_io.h"
#include "kelvanefmt/quoted_name.h"

namespace kelvane::fmt {
namespace {

std::string Where(const std::string& path, const toml::source_region& source) {
  return ShownName(path) + ":" + std::to_string(source.begin.line) + ": ";
}

// Reads one boolean key; false (with `error`) when its value is no boolean.
bool ReadBool(const toml::node& node, std::string_view key, std::optional<bool>& value,
              const std::string& where, std::string& error) {
  if (const auto* boolean = node.as_boolean()) {
    value = boolean->get();
    return true;
  }
  error = where + "\"" + std::string(key) + "\" must be true or false";
  return false;
}

}  // namespace

std::optional<FmtConfig> ParseFmtConfig(const std::string& text, const std::string& path,
                                        std::string& error) {
  toml::table table;
  try {
    table = toml::parse(text, path);
  } catch (const toml::parse_error& parse_error) {
    error = Where(path, parse_error.source()) + std::string(parse_error.description());
    return std::nullopt;
  }
  FmtConfig config;
  config.path = path;
  config.folder = std::filesystem::absolute(std::filesystem::path(path))
                      .parent_path()
                      .lexically_normal()
                      .string();
  for (const auto& [key, node] : table) {
    const std::string where = Where(path, key.source());
    const std::string_view name = key.str();
    if (name == "line_endings") {
      const std::optional<std::string_view> value = node.value<std::string_view>();
      if (value == "keep") {
        config.line_ends = LineEnds::kKeep;
      } else if (value == "lf") {
        config.line_ends = LineEnds::kLf;
      } else if (value == "crlf") {
        config.line_ends = LineEnds::kCrLf;
      } else {
        error = where + "\"line_endings\" must be \"keep\", \"lf\" or \"crlf\"";
        return std::nullopt;
      }
    } else if (name == "header") {
      if (!ReadBool(node, name, config.header, where, error)) return std::nullopt;
    } else if (name == "strip_comments") {
      if (!ReadBool(node, name, config.strip_comments, where, error)) return std::nullopt;
    } else if (name == "respect_gitignore") {
      std::optional<bool> respect;
      if (!ReadBool(node, name, respect, where, error)) return std::nullopt;
      config.respect_gitignore = *respect;
    } else if (name == "exclude") {
      const toml::array* globs = node.as_array();
      if (globs == nullptr ||
          (!globs->empty() && !globs->is_homogeneous(toml::node_type::string))) {
        error = where + "\"exclude\" must be a list of globs in quotes, such as [\"vendor\"]";
        return std::nullopt;
      }
      for (const toml::node& glob : *globs) config.excludes.push_back(*glob.value<std::string>());
    } else {
      error = where + "unknown key \"" + std::string(name) +
              "\" (the keys: line_endings, header, strip_comments, exclude, respect_gitignore)";
      return std::nullopt;
    }
  }
  return config;
}

std::optional<FmtConfig> ReadFmtConfig(const std::string& path, std::string& error) {
  std::string text;
  if (FileStatus status = ReadWholeFile(path, text); !status.ok()) {
    error = ShownName(path) + ": cannot read: " + status.Describe();
    return std::nullopt;
  }
  return ParseFmtConfig(text, path, error);
}

}  // namespace kelvane::fmt
