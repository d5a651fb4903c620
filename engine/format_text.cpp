// The engine from input bytes to output bytes.

#include "engine/format_text.h"

#include <chrono>
#include <utility>

#include "engine/app_text.h"
#include "engine/header_line.h"
#include "engine/marked_regions.h"
#include "engine/meaning_check.h"
#include "engine/process_code.h"

namespace kelvane {

namespace {

// A first line that starts with "#" (a "#!" line) is for the program loader,
// not Lua: it stays the first line, ahead of the header, with an LF.
std::string TakeLoaderLine(std::string& input) {
  if (input.empty() || input.front() != '#') return std::string();
  size_t end = input.find_first_of("\r\n");
  if (end == std::string::npos) end = input.size();
  std::string line = input.substr(0, end);
  line.push_back('\n');
  if (end < input.size() && input[end] == '\r') ++end;
  if (end < input.size() && input[end] == '\n') ++end;
  input.erase(0, end);
  return line;
}

}  // namespace

FormatResult FormatText(std::string input, const FormatOptions& settings, Messages& messages) {
  FormatResult result;
  const auto start = std::chrono::steady_clock::now();
  const std::string loader_line = TakeLoaderLine(input);
  const size_t first_line = loader_line.empty() ? 1 : 2;  // the file's line number of input's first
  // Kept for the meaning check, which compares the input with the result.
  const std::string original = input;
  FormatOptions process_settings = settings;
  MarkedRegions regions;
  if (settings.KeepMarkedRegions) {
    regions = SetMarkedRegionsAside(input, first_line, process_settings);
  }
  if (!regions.refusal.empty()) {
    result.status = FormatStatus::kRefused;
    result.reason = regions.refusal;
    return result;
  }
  // Unwritten, the header line still goes in first: the first comment takes
  // the TABs of every comment after it, and would take more on each run.
  if (!settings.WriteHeader && !settings.StripComments) input.insert(0, AppComment);
  ProcessResult processed = ProcessCode(std::move(input), process_settings, messages);
  const auto end = std::chrono::steady_clock::now();
  result.elapsed_ms = std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count();
  if (processed.status != FormatStatus::kOk) {
    result.status = processed.status;
    if (processed.guard_message != nullptr) result.reason = processed.guard_message;
    return result;
  }
  // The header line is a comment: the check reads past it.
  std::string body =
      ReplaceHeaderLines(processed.text, settings.StripComments || !settings.WriteHeader);
  if (!PutMarkedRegionsBack(regions, body)) {
    result.status = FormatStatus::kRefused;
    result.reason =
        "a region marked \"kelvanefmt: off\" or \"kelvanefmt: ignore\" was lost "
        "in the formatting";
    return result;
  }
  const MeaningCheck check = CompareMeaning(original, body);
  if (!check.same) {
    result.status = FormatStatus::kRefused;
    result.reason = "Error: Was unable to keep the meaning of line " +
                    std::to_string(check.input_line + first_line - 1) + ": " + check.why + ".";
    result.refused_text = std::move(body);
    return result;
  }
  result.text.reserve(loader_line.size() + body.size());
  result.text = loader_line;
  result.text += body;
  return result;
}

}  // namespace kelvane
