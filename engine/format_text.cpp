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

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Mend M04: what stands before the Lua text stays in front, ahead of the header: a
// UTF-8 byte-order mark (Lua 5.2 and later skip it; it must stay the first
// bytes of the file), then a first line that starts with "#" (a "#!" line),
// which every Lua's loader skips up to the first LF, a lone CR included. The
// line keeps its bytes and ends in LF.
std::string TakePrelude(std::string& input) {
  std::string prelude;
  size_t taken = 0;
  if (input.starts_with(kByteOrderMark)) {
    prelude = kByteOrderMark;
    taken = kByteOrderMark.size();
  }
  if (taken < input.size() && input[taken] == '#') {
    size_t end = input.find('\n', taken);
    const size_t next = end == std::string::npos ? input.size() : end + 1;
    if (end == std::string::npos) end = input.size();
    if (end > taken && input[end - 1] == '\r') --end;
    prelude.append(input, taken, end - taken);
    prelude.push_back('\n');
    taken = next;
  }
  input.erase(0, taken);
  return prelude;
}

}  // namespace

FormatResult FormatText(std::string input, const FormatOptions& settings, Messages& messages) {
  FormatResult result;
  const auto start = std::chrono::steady_clock::now();
  const std::string prelude = TakePrelude(input);
  // The file's line number of the first line of `input`.
  const size_t first_line = prelude.find('\n') == std::string::npos ? 1 : 2;
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
  std::string().swap(processed.text);  // one copy of the result at a time
  if (!PutMarkedRegionsBack(regions, body)) {
    result.status = FormatStatus::kRefused;
    result.reason =
        "a region marked \"kelvanefmt: off\" or \"kelvanefmt: ignore\" was lost "
        "in the formatting";
    return result;
  }
  MeaningRules rules;
  rules.integer_numerals = processed.integer_numerals;
  const MeaningCheck check = CompareMeaning(original, body, rules);
  if (!check.same) {
    result.status = FormatStatus::kRefused;
    result.reason = "Error: Was unable to keep the meaning of line " +
                    std::to_string(check.input_line + first_line - 1) + ": " + check.why + ".";
    result.refused_text = std::move(body);
    return result;
  }
  if (!prelude.empty()) body.insert(0, prelude);
  result.text = std::move(body);
  return result;
}

}  // namespace kelvane
