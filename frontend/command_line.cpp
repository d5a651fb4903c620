// Builds the engine's command line and splits it back into arguments.
#include "frontend/command_line.h"

namespace kelvane::frontend {
namespace {

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  out += text;
  out += '"';
}

}  // namespace

std::string BuildEngineCommandLine(std::string_view engine_path, std::string_view input_path,
                                   std::string_view output_path, signed char overwrite,
                                   signed char strip) {
  std::string line;
  line.reserve(engine_path.size() + input_path.size() + output_path.size() + 24);
  AppendQuoted(line, engine_path);
  line += ' ';
  AppendQuoted(line, input_path);
  if (overwrite != 0) {
    line += " -o";
  } else {
    line += ' ';
    AppendQuoted(line, output_path);
  }
  if (strip == 1) line += " -s";
  line += " -verbose";
  return line;
}

std::vector<std::string> SplitCommandLine(std::string_view command_line) {
  std::vector<std::string> arguments;
  std::string current;
  bool in_argument = false;
  bool quoted = false;
  for (char c : command_line) {
    if (c == '"') {
      quoted = !quoted;
      in_argument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_argument) arguments.push_back(std::move(current));
      current.clear();
      in_argument = false;
    } else {
      current += c;
      in_argument = true;
    }
  }
  if (in_argument) arguments.push_back(std::move(current));
  return arguments;
}

}  // namespace kelvane::frontend
