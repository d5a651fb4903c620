// Row-by-row comparison of two pipelines over two separate working states.

#include "tests/differential/pipeline_compare.h"

#include <optional>
#include <vector>

#include "engine/char_class.h"
#include "engine/code_state.h"
#include "engine/header_line.h"
#include "engine/lua_dialect.h"
#include "engine/lua_lexer.h"
#include "engine/meaning_check.h"
#include "engine/messages.h"
#include "engine/process_code.h"
#include "tests/reference/reference_stages.h"
#include "tests/support/text_diff.h"

namespace kelvane::test_support {
namespace {

std::string Flags(const PassRow& row) {
  std::string flags;
  flags += row.announce == RowAnnounce::kAnnounce ? "announce" : "continuation";
  flags += row.debug == RowDebug::kDebugEntry ? ",debug" : ",no-debug";
  flags += row.condition == RowCondition::kAlways ? ",always" : ",unless-unix";
  return flags;
}

std::string TableDifference(const std::vector<std::string>& left,
                            const std::vector<std::string>& right, std::string_view name,
                            std::string& what) {
  for (size_t n = 0; n < left.size() && n < right.size(); ++n) {
    if (left[n] != right[n]) {
      what = std::string(name) + " entry " + std::to_string(n);
      return DescribeDifference(right[n], left[n], "reference", "engine");
    }
  }
  if (left.size() != right.size()) {
    what = std::string(name) + " size";
    return "engine has " + std::to_string(left.size()) + " entries, reference " +
           std::to_string(right.size()) + "\n";
  }
  return "";
}

// Fills `what` and returns the detail when the states differ.
std::string StateDifference(const PassContext& left, const PassContext& right, std::string& what) {
  const char* left_guard = left.guard_message;
  const char* right_guard = right.guard_message;
  if ((left_guard == nullptr) != (right_guard == nullptr) ||
      (left_guard != nullptr && std::string_view(left_guard) != right_guard)) {
    what = "iteration guard";
    return std::string("engine: ") + (left_guard ? left_guard : "(did not fire)") +
           "\nreference: " + (right_guard ? right_guard : "(did not fire)") + "\n";
  }
  if (left_guard != nullptr) return "";  // both stopped the same way
  const CodeState& a = left.state;
  const CodeState& b = right.state;
  if (a.text != b.text) {
    what = "working text";
    return DescribeDifference(b.text, a.text, "reference", "engine");
  }
  std::string detail;
  if (!(detail = TableDifference(a.ArgumentsTable, b.ArgumentsTable, "ArgumentsTable", what))
           .empty() ||
      !(detail = TableDifference(a.IndicesTable, b.IndicesTable, "IndicesTable", what)).empty() ||
      !(detail = TableDifference(a.StringsTable, b.StringsTable, "StringsTable", what)).empty() ||
      !(detail = TableDifference(a.CommentsTable, b.CommentsTable, "CommentsTable", what))
           .empty()) {
    return detail;
  }
  if (a.CommentsCount != b.CommentsCount) {
    what = "CommentsCount";
    return "engine " + std::to_string(a.CommentsCount) + ", reference " +
           std::to_string(b.CommentsCount) + "\n";
  }
  return "";
}

}  // namespace

std::string ShapeMismatch(std::span<const Stage> left, std::span<const Stage> right) {
  if (left.size() != right.size()) {
    return "stage counts differ: " + std::to_string(left.size()) + " and " +
           std::to_string(right.size());
  }
  for (size_t s = 0; s < left.size(); ++s) {
    const Stage& a = left[s];
    const Stage& b = right[s];
    std::string where = "stage " + std::to_string(s) + " ";
    if (std::string_view(a.message) != b.message) {
      return where + "messages differ: '" + Escape(a.message) + "' and '" + Escape(b.message) + "'";
    }
    if (a.passes.size() != b.passes.size()) {
      return where + "row counts differ: " + std::to_string(a.passes.size()) + " and " +
             std::to_string(b.passes.size());
    }
    for (size_t r = 0; r < a.passes.size(); ++r) {
      const PassRow& x = a.passes[r];
      const PassRow& y = b.passes[r];
      std::string row = where + "row " + std::to_string(r) + " ";
      if (std::string_view(x.message) != y.message) {
        return row + "messages differ: '" + Escape(x.message) + "' and '" + Escape(y.message) + "'";
      }
      if (Flags(x) != Flags(y)) {
        return row + "'" + Escape(x.message) + "' flags differ: " + Flags(x) + " and " + Flags(y);
      }
    }
  }
  return "";
}

RowDifference ComparePipelines(std::string_view input, const FormatOptions& settings,
                               std::span<const Stage> left, std::span<const Stage> right) {
  RowDifference result;
  if (std::string shape = ShapeMismatch(left, right); !shape.empty()) {
    result.differs = true;
    result.what = "pipeline shape";
    result.detail = shape + "\n";
    return result;
  }
  CodeState left_state;
  CodeState right_state;
  left_state.text = std::string(input);
  right_state.text = std::string(input);
  PassContext left_context{left_state, settings};
  PassContext right_context{right_state, settings};
  for (size_t s = 0; s < left.size(); ++s) {
    for (size_t r = 0; r < left[s].passes.size(); ++r) {
      const PassRow& row = left[s].passes[r];
      if (!RowRuns(row, settings)) continue;
      row.run(left_context);
      right[s].passes[r].run(right_context);
      std::string what;
      std::string detail = StateDifference(left_context, right_context, what);
      if (!detail.empty()) {
        result.differs = true;
        result.stage = s;
        result.row = r;
        result.message = row.message;
        result.what = std::move(what);
        result.detail = std::move(detail);
        return result;
      }
      if (left_context.guard_message != nullptr) {  // both fired alike
        result.guard_message = left_context.guard_message;
        return result;
      }
    }
  }
  return result;
}

RowDifference CompareWithReference(std::string_view input, const FormatOptions& settings) {
  return ComparePipelines(input, settings, ProcessStages(), reference::ReferenceStages());
}

RowDifference CompareWholeRuns(std::string_view input, const FormatOptions& settings) {
  NullMessages messages;
  ProcessResult engine = ProcessCode(std::string(input), settings, messages);
  reference::ReferenceResult reference =
      reference::ReferenceProcessCode(std::string(input), settings);
  RowDifference result;
  result.message = "whole run";
  result.whole_run = true;
  const char* engine_guard =
      engine.status == FormatStatus::kGuardFired ? engine.guard_message : nullptr;
  if (engine.status == FormatStatus::kFileError) {
    result.differs = true;
    result.what = "status";
    result.detail = "the engine reported a failed debug write\n";
  } else if ((engine_guard == nullptr) != (reference.guard_message == nullptr) ||
             (engine_guard != nullptr &&
              std::string_view(engine_guard) != reference.guard_message)) {
    result.differs = true;
    result.what = "iteration guard";
    result.detail =
        std::string("engine: ") + (engine_guard ? engine_guard : "(did not fire)") +
        "\nreference: " + (reference.guard_message ? reference.guard_message : "(did not fire)") +
        "\n";
  } else if (engine_guard == nullptr && engine.text != reference.text) {
    result.differs = true;
    result.what = "result text";
    result.detail = DescribeDifference(reference.text, engine.text, "reference", "engine");
  }
  return result;
}

// The file the literal rules write: their ProcessCode, then the header step.
// The header step is the engine's: the literal one keeps, on every later run,
// an empty line after the old header that the first run never had, so with it
// nearly every file that begins with a global block would count as unstable,
// and the reference would judge almost nothing. The engine's step changes the
// first-run output of no file but an empty one. Nothing when the guard fires.
std::optional<std::string> LiteralOutputFile(std::string input, const FormatOptions& settings) {
  reference::ReferenceResult result = reference::ReferenceProcessCode(std::move(input), settings);
  if (result.guard_message != nullptr) return std::nullopt;
  return ReplaceHeaderLines(result.text, settings.StripComments);
}

namespace {

bool HoldsLoneCarriageReturn(std::string_view input) {
  for (size_t cr = input.find('\r'); cr != std::string_view::npos; cr = input.find('\r', cr + 1)) {
    if (cr + 1 == input.size() || input[cr + 1] != '\n') return true;
  }
  return false;
}

// The engine's and the reference's masking agree: the pre-processing and
// storing stages of both leave the same state.
bool MaskingAgrees(std::string_view input, const FormatOptions& settings) {
  CodeState engine_state;
  CodeState reference_state;
  engine_state.text = std::string(input);
  reference_state.text = std::string(input);
  PassContext engine_context{engine_state, settings};
  PassContext reference_context{reference_state, settings};
  const std::span<const Stage> engine_stages = ProcessStages();
  const std::span<const Stage> reference_stages = reference::ReferenceStages();
  for (size_t s = 0; s < 2; ++s) {
    for (size_t r = 0; r < engine_stages[s].passes.size(); ++r) {
      engine_stages[s].passes[r].run(engine_context);
      reference_stages[s].passes[r].run(reference_context);
    }
  }
  std::string what;
  return engine_state.at_sign_stand_in == 0 &&
         StateDifference(engine_context, reference_context, what).empty();
}

// A line of `text` that starts with "(" right after a line ending in what
// could end a call (a name, a string, ")", "]" or "}"), comments skipped.
// Lua 5.1 rejects such a line as an ambiguous call, even where the input
// held it too, so the literal output is no sound result there: the engine
// joins the "(" to the line before it, or keeps the ";" before it, instead.
bool StartsALineWithAmbiguousCall(std::string_view text) {
  std::vector<LiteralSpan> spans;
  ForEachLiteral(text, /*comments=*/true, [&](const LiteralSpan& span) { spans.push_back(span); });
  size_t next_span = 0;
  char last = '\n';  // the last byte of code before the current line
  bool line_start = true;
  for (size_t pos = 0; pos < text.size(); ++pos) {
    if (next_span < spans.size() && spans[next_span].begin == pos) {
      const LiteralSpan& span = spans[next_span++];
      const std::string_view literal = text.substr(span.begin, span.end - span.begin);
      if (span.kind == LiteralKind::kQuotedString || span.kind == LiteralKind::kLongString) {
        line_start = false;
        last = '"';
      } else if (literal.find_first_of("\r\n") != std::string_view::npos) {
        line_start = true;
      }
      pos = span.end - 1;
      continue;
    }
    const char c = text[pos];
    if (c == '\n' || c == '\r') {
      line_start = true;
      continue;
    }
    if (c == ' ' || c == '\t') continue;
    if (line_start && c == '(' &&
        (IsWord(last) || last == '"' || last == '\'' || last == ')' || last == ']' ||
         last == '}')) {
      return true;
    }
    line_start = false;
    last = c;
  }
  return false;
}

}  // namespace

bool LiteralReferenceJudges(std::string_view input, const FormatOptions& settings) {
  // A "#" first line and a byte-order mark stay in front of the header.
  if (input.starts_with('#') || input.starts_with("\xEF\xBB\xBF")) return false;
  if (HoldsLoneCarriageReturn(input) || !MaskingAgrees(input, settings)) return false;
  const std::optional<std::string> once = LiteralOutputFile(std::string(input), settings);
  if (!once) return true;
  MeaningRules rules;
  rules.integer_numerals = ShowsIntegerNumerals(input);
  if (!CompareMeaning(input, *once, rules).same || StartsALineWithAmbiguousCall(*once)) {
    return false;
  }
  const std::optional<std::string> twice = LiteralOutputFile(*once, settings);
  return twice && *twice == *once;
}

RowDifference CompareWhereReferenceJudges(std::string_view input, const FormatOptions& settings) {
  if (!LiteralReferenceJudges(input, settings)) {
    RowDifference result;
    result.judged = false;
    return result;
  }
  RowDifference difference = CompareWithReference(input, settings);
  if (!difference.differs) difference = CompareWholeRuns(input, settings);
  return difference;
}

std::string DescribeRowDifference(const RowDifference& difference, std::string_view input,
                                  const FormatOptions& settings) {
  std::string out =
      difference.whole_run
          ? "ProcessCode and the reference agree row by row but differ as whole runs, in the " +
                difference.what + "\n"
          : "engine and reference differ after row '" + Escape(difference.message) + "' (stage " +
                std::to_string(difference.stage) + ", row " + std::to_string(difference.row) +
                "), in the " + difference.what + "\n";
  out += std::string("settings: -s ") + (settings.StripComments ? "on" : "off") + ", -unix " +
         (settings.UnixEndOfLine ? "on" : "off") + "\n";
  out += "input (" + std::to_string(input.size()) + " bytes): \"" + Escape(input) + "\"\n";
  out += difference.detail;
  return out;
}

}  // namespace kelvane::test_support
