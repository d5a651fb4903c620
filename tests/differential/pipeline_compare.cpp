// Row-by-row comparison of two pipelines over two separate working states.

#include "tests/differential/pipeline_compare.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "engine/char_class.h"
#include "engine/code_state.h"
#include "engine/header_line.h"
#include "engine/lua_dialect.h"
#include "engine/lua_lexer.h"
#include "engine/lua_nesting.h"
#include "engine/meaning_check.h"
#include "engine/messages.h"
#include "engine/passes/joining.h"
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

// The code of each line of `text`: strings stand as '"', comments are gone,
// and `comment_after` tells whether a comment followed the code.
struct CodeLine {
  std::string code;  // leading TABs kept
  bool comment_after = false;
};

std::vector<CodeLine> CodeLines(std::string_view text) {
  std::vector<CodeLine> lines(1);
  auto add_text = [&](std::string_view part) {
    for (const char c : part) {
      if (c == '\n') {
        lines.emplace_back();
      } else if (c != '\r') {
        lines.back().code.push_back(c);
      }
    }
  };
  size_t copied = 0;
  ForEachLiteral(text, /*comments=*/true, [&](const LiteralSpan& span) {
    add_text(text.substr(copied, span.begin - copied));
    const std::string_view literal = text.substr(span.begin, span.end - span.begin);
    const size_t line_ends = static_cast<size_t>(std::count(literal.begin(), literal.end(), '\n'));
    if (span.kind == LiteralKind::kLineComment || span.kind == LiteralKind::kBlockComment) {
      lines.back().comment_after = true;
    } else {
      lines.back().code.push_back('"');
    }
    for (size_t i = 0; i < line_ends; ++i) lines.emplace_back();
    copied = span.end;
  });
  add_text(text.substr(copied));
  return lines;
}

std::string_view Trimmed(std::string_view line) {
  const size_t begin = line.find_first_not_of('\t');
  if (begin == std::string_view::npos) return {};
  const size_t end = line.find_last_not_of(" \t");
  return line.substr(begin, end + 1 - begin);
}

// Whether `code` ends in a name, a string, ")" or "]": what may end a callee.
bool EndsCallee(std::string_view code) {
  if (code.empty()) return false;
  const char c = code.back();
  if (c == '"' || c == ')' || c == ']') return true;
  size_t word = code.size();
  while (word > 0 && IsWord(code[word - 1])) --word;
  return word < code.size() && !IsDigit(code[word]) && !IsLuaKeyword(code.substr(word));
}

bool EndsWord(std::string_view code, std::string_view word) {
  return code.ends_with(word) &&
         (code.size() == word.size() || !IsWord(code[code.size() - word.size() - 1]));
}

// Whether the literal output keeps the layout where the engine's layout
// mends (docs/mends.md, M34 to M43) look: where it shows one of the faults
// they repair, the engine's output differs from it on purpose, and the
// layout promises judge instead. Looked for on the code of each line:
// more than one TAB at a line end (M36); a head "function a.b" or
// "function o:m" (M34); a head keyword ending a line (M35); a line
// that ends in "," outside a table, or in "(", "not", "." or ":", or
// starts with ")", "." or ":" (M38, M41); a lone "%", "&", "|" or "~"
// (M38); a string that starts a line after a callee (M38); "(function" or
// "end)" (M39);
// "then" or "do" glued to what comes before them, or ending a line before a
// comment (M43); "- x" or
// "+ x" starting a line after a "," (M40).
bool LiteralOutputIsLaidOut(std::string_view output) {
  if (output.find("\t\t\n") != std::string_view::npos ||
      output.find("\t\t\r\n") != std::string_view::npos) {
    return false;
  }
  const std::vector<CodeLine> lines = CodeLines(output);
  Nesting nesting;
  std::string_view previous;
  for (const CodeLine& line : lines) {
    const std::string_view code = Trimmed(line.code);
    if (code.empty()) continue;
    if (code.starts_with("function ") &&
        code.substr(0, code.find('(')).find_first_of(".:") != std::string_view::npos) {
      return false;
    }
    if (std::any_of(kHeadKeywords.begin(), kHeadKeywords.end(),
                    [&](std::string_view word) { return EndsWord(code, word); }) ||
        EndsWord(code, "not") || code.ends_with('(') || code.ends_with('.') ||
        code.ends_with(':') || code.starts_with(')') || code.starts_with('.') ||
        code.starts_with(':') || (code.starts_with('"') && EndsCallee(previous)) || code == "%" ||
        code == "&" || code == "|" || code == "~" || code.starts_with("end)") ||
        code.find("(function") != std::string_view::npos ||
        (previous.ends_with(',') && (code.starts_with("- ") || code.starts_with("+ ")))) {
      return false;
    }
    for (std::string_view word : {std::string_view("then"), std::string_view("do")}) {
      for (size_t at = code.find(word); at != std::string_view::npos;
           at = code.find(word, at + 1)) {
        const size_t end = at + word.size();
        const bool starts = at == 0 || !IsWord(code[at - 1]);
        const bool ends = end == code.size() || !IsWord(code[end]);
        if (starts && ends &&
            ((at > 0 && code[at - 1] != ' ') || (end == code.size() && line.comment_after))) {
          return false;
        }
      }
    }
    // M42: after "end", "else", "do" or "repeat" a "(" starts a statement of
    // its own; glued to the word, two statements share the line.
    for (std::string_view word : {"end(", "else(", "do(", "repeat("}) {
      for (size_t at = code.find(word); at != std::string_view::npos;
           at = code.find(word, at + 1)) {
        if (at == 0 || !IsWord(code[at - 1])) return false;
      }
    }
    for (size_t i = 0; i < code.size(); ++i) {
      const char c = code[i];
      if (IsWord(c)) {
        size_t end = i + 1;
        while (end < code.size() && IsWord(code[end])) ++end;
        nesting.Word(code.substr(i, end - i));
        i = end - 1;
      } else if (c == '(' || c == '[' || c == '{') {
        nesting.Open(c);
      } else if (c == ')' || c == ']' || c == '}') {
        nesting.Close();
      }
    }
    if (code.ends_with(',') && !nesting.InTable()) return false;
    previous = code;
  }
  return true;
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
  if (!CompareMeaning(input, *once, rules).same || StartsALineWithAmbiguousCall(*once) ||
      !LiteralOutputIsLaidOut(*once)) {
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
  // The rows may part and meet again: the layout mends join pieces earlier
  // than the literal rules do ("," and "<" join in the key/value row, not in
  // the operator spacing). The whole runs decide; the first row where the
  // states part says where to look.
  RowDifference difference = CompareWholeRuns(input, settings);
  if (!difference.differs) return difference;
  RowDifference row = CompareWithReference(input, settings);
  return row.differs ? row : difference;
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
