// Builds the engine's command line and its argument vector.
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

std::vector<std::string> BuildEngineArguments(std::string_view engine_path,
                                              std::string_view input_path,
                                              std::string_view output_path, signed char overwrite,
                                              signed char strip) {
  std::vector<std::string> arguments = {std::string(engine_path), std::string(input_path)};
  arguments.emplace_back(overwrite != 0 ? std::string_view("-o") : output_path);
  if (strip == 1) arguments.emplace_back("-s");
  arguments.emplace_back("-verbose");
  return arguments;
}

}  // namespace kelvane::frontend
