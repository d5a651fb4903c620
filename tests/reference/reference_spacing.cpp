// Reference passes of spacing, breaking at braces and line joining, written
// literally as their rules, brace loops with their iteration guard included.

#include <string>

#include "tests/reference/reference_loops.h"
#include "tests/reference/reference_passes.h"

namespace kelvane::reference {
namespace {

constexpr const char kLeftBraceGuard[] =
    "Error: Was unable to break and indent at every occurance of a left bracket.";
constexpr const char kRightBraceGuard[] =
    "Error: Was unable to break and outdent at every occurance of a right bracket.";

// The stored argument lists, then the stored indices, each rewritten in place.
template <typename Rewrite>
void RewriteStoredTexts(CodeState& state, Rewrite rewrite) {
  for (std::string& entry : state.ArgumentsTable) entry = rewrite(entry);
  for (std::string& entry : state.IndicesTable) entry = rewrite(entry);
}

// CountBreak: counts one iteration; true once the count exceeds the limit.
bool CountBreak(int& count_iteration) { return ++count_iteration > kIterationLimit; }

}  // namespace

void CollapseWhitespaceRuns(PassContext& context) {
  auto rewrite = [](std::string_view text) {
    return RepeatWhileMatch(text, "\\s\\s+", kSingle, " ");
  };
  context.state.text = rewrite(context.state.text);
  RewriteStoredTexts(context.state, rewrite);
}

void ReplaceWhitespaceWithSpaces(PassContext& context) {
  auto rewrite = [](std::string_view text) { return ReplaceAll(text, "\\s+", kSingle, " "); };
  context.state.text = rewrite(context.state.text);
  RewriteStoredTexts(context.state, rewrite);
}

void RemoveSpacesBeforeCommas(PassContext& context) {
  auto rewrite = [](std::string_view text) { return ReplaceAll(text, "\\s+,", kSingle, ","); };
  context.state.text = rewrite(context.state.text);
  RewriteStoredTexts(context.state, rewrite);
}

void PlaceSpacesAfterCommas(PassContext& context) {
  auto rewrite = [](std::string_view text) { return ReplaceAll(text, ",\\s*", kSingle, ", "); };
  context.state.text = rewrite(context.state.text);
  RewriteStoredTexts(context.state, rewrite);
}

void AddBaseTab(PassContext& context) { context.state.text = "\t" + context.state.text; }

void BreakAtLeftBraces(PassContext& context) {
  std::string& text = context.state.text;
  std::string out_string;
  int count_iteration = 0;
  while (text.find('{') != std::string::npos) {
    text = Iterate1(text, out_string);
    text = Indent(text);
    if (CountBreak(count_iteration)) {
      context.guard_message = kLeftBraceGuard;
      return;
    }
  }
  text = out_string + text;
}

// The engine differs here: M33 (docs/mends.md).
void BreakAtRightBraces(PassContext& context) {
  std::string& text = context.state.text;
  std::string out_string;
  int count_iteration = 0;
  while (text.find('}') != std::string::npos) {
    text = Iterate2(text, out_string);
    text = Outdent(text);
    if (CountBreak(count_iteration)) {
      context.guard_message = kRightBraceGuard;
      return;
    }
  }
  text = out_string + text;
}

void BreakAtSpaces(PassContext& context) {
  std::string& text = context.state.text;
  while (text.find(' ') != std::string::npos) {
    text = ReplaceAll(text, "^(\\t*)([^\\t\\ ]*)(\\ )(.*)$", kMulti, "$1$2\n$1$4");
  }
}

void RemoveBlankLines(PassContext& context) {
  std::string& text = context.state.text;
  text = ReplaceAll(text, "^\\s+$", kMulti, "");
  text = ReplaceAll(text, "\\n\\n", kSingle, "\n");
}

void JoinKeysWithValues(PassContext& context) {
  std::string& text = context.state.text;
  text = ReplaceAll(text, "(\\@|\\w)(\\s+)(=)", kSingle, "$1$3");
  text = ReplaceAll(text, "(=)(\\s+)(@|\\w|\\-|\\+|\\.)", kSingle, "$1$3");
}

// The engine differs here: M11 (docs/mends.md).
void JoinKeywords(PassContext& context) {
  std::string& text = context.state.text;
  text = ReplaceAll(text, "(\\s)(function|while|for|if|elseif|local|global|until)(\\s+)([^\\{\\s])",
                    kSingle, "$1$2 $4");
  text = ReplaceAll(text, "([^\\}\\s])(\\s+)(then)(\\s)", kSingle, "$1 $3$4");
  text = ReplaceAll(text, "(\\s+)(or|and|not)(\\s+)", kSingle, " $2 ");
}

// The engine differs here: M09, M10 (docs/mends.md).
void JoinNamesWithArguments(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "(\\w|\\_)(\\s*)(@a\\d*a@)", kSingle, "$1$3");
}

void SpaceConditionKeywords(PassContext& context) {
  context.state.text =
      ReplaceAll(context.state.text, "(\\s)(if|elseif|while|until)(@a\\d*a@)", kSingle, "$1$2 $3");
}

void BreakAfterReturn(PassContext& context) {
  context.state.text =
      ReplaceAll(context.state.text, "(\\s)(return)(@a\\d*a@)", kSingle, "$1$2\n$1$3");
}

// The engine differs here: M12, M20 (docs/mends.md).
void JoinLoopHeads(PassContext& context) {
  std::string& text = context.state.text;
  text = ReplaceAll(text, "(\\sfor\\s.*,)(\\s+)(.*)(\\s+)(do\\s)", kSingle, "$1 $3 $5");
  text =
      ReplaceAll(text, "(\\sfor\\s.*,)(\\s+)(.*,)(\\s+)(.*)(\\s+)(do\\s)", kSingle, "$1 $3 $5 $7");
  text = ReplaceAll(text, "(\\sfor\\s.*,)(\\s+)(.*)(\\s+)(in)(\\s+)(.*)(\\s+)(do\\s)", kSingle,
                    "$1 $3 $5 $7 $9");
  text = ReplaceAll(text, "(\\swhile)(\\s+)([^\\s]*)(\\s+)(do\\s)", kSingle, "$1 $3 $5");
}

}  // namespace kelvane::reference
