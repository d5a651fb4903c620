// Each pass alone against its literal form, on random texts over the
// characters that pass reacts to. Passes that rely on what the passes before
// them leave get texts of that shape; the others get any text.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/char_class.h"
#include "engine/passes/block_indentation.h"
#include "engine/passes/brace_breaking.h"
#include "engine/passes/clean_up.h"
#include "engine/passes/joining.h"
#include "engine/passes/loop_heads.h"
#include "engine/passes/masking.h"
#include "engine/passes/operator_spacing.h"
#include "engine/passes/pre_processing.h"
#include "engine/passes/restoring.h"
#include "engine/passes/spacing.h"
#include "engine/scan.h"
#include "tests/passes/pass_rows.h"
#include "tests/reference/reference_passes.h"

namespace kelvane {
namespace {

using test_support::Visible;

// The number of random cases, scaled down when KELVANE_DIFF_CASES asks for
// fewer than the usual 10,000 (the sanitizer build does).
int Cases(int usual) {
  const char* wanted = std::getenv("KELVANE_DIFF_CASES");
  if (wanted == nullptr) return usual;
  const long n = std::strtol(wanted, nullptr, 10);
  return n >= 10000 ? usual : std::max(1, static_cast<int>(usual * n / 10000));
}

class TextMaker {
 public:
  explicit TextMaker(uint64_t seed) : random_(seed) {}

  size_t Below(size_t n) { return static_cast<size_t>(random_() % n); }

  // Random pieces, glued together.
  std::string Pieces(const std::vector<std::string>& pieces, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) out += pieces[Below(pieces.size())];
    return out;
  }

  // Lines of leading TABs (depth 0 often) and content without TABs.
  std::string Lines(const std::vector<std::string>& pieces, size_t lines, size_t max_depth) {
    std::string out;
    for (size_t i = 0; i < lines; ++i) {
      if (i > 0) out += '\n';
      out.append(Below(3) == 0 ? 0 : Below(max_depth + 1), '\t');
      out += Pieces(pieces, Below(5));
    }
    if (Below(2) == 0) out += '\n';
    return out;
  }

 private:
  std::mt19937_64 random_;
};

struct PassPair {
  const char* name;
  PassFunction production;
  PassFunction reference;
};

bool HasAny(std::string_view text, std::string_view bytes) {
  return text.find_first_of(bytes) != std::string_view::npos;
}

// A comment token with more than blanks after it on its line: the restoring
// puts that text on a line of its own instead of into the comment.
bool CommentTokenHasCodeAfterIt(std::string_view text) {
  for (size_t at = text.find("@c"); at != std::string_view::npos; at = text.find("@c", at + 1)) {
    size_t end = text.find('@', at + 2);
    if (end == std::string_view::npos) return false;
    const size_t code = text.find_first_not_of(" \t", end + 1);
    if (code != std::string_view::npos && text[code] != '\n') return true;
  }
  return false;
}

// A ";" with only white space between it and the line end before it.
bool SemicolonAloneOnLine(std::string_view text) {
  for (size_t at = text.find(';'); at != std::string_view::npos; at = text.find(';', at + 1)) {
    size_t before = at;
    while (before > 0 && IsSpace(text[before - 1]) && text[before - 1] != '\n') --before;
    if (before > 0 && text[before - 1] == '\n') return true;
  }
  return false;
}

// "and", "or" or "not" that touches an operator ("a and-b", "1+not x"), or
// "not" before a token ("not (x)").
bool OperatorKeywordTouchesOperator(std::string_view text) {
  for (std::string_view keyword : {"and", "or", "not"}) {
    for (size_t at = text.find(keyword); at != std::string_view::npos;
         at = text.find(keyword, at + 1)) {
      const size_t after = at + keyword.size();
      if (after < text.size() && HasAny(text.substr(after, 1), "~<>+-*/.")) return true;
      if (at > 0 && HasAny(text.substr(at - 1, 1), "+-*/<>.^")) return true;
      const size_t before = text.find_last_not_of(" \t\n\v\f\r", at == 0 ? 0 : at - 1);
      if (before != std::string_view::npos && before < at && text[before] == '^') return true;
      // "not" before an argument list: "return not (x)".
      const size_t next = text.find_first_not_of(" \t\n\v\f\r", after);
      if (keyword == "not" && next != std::string_view::npos && next > after && text[next] == '@') {
        return true;
      }
    }
  }
  return false;
}

// A line at depth 1 with an operator other than "=", or a ";", that lines
// without TABs follow: the empty line before it may go, or go before the line
// above, where the next run puts it.
bool DepthOneOperatorLineBeforeDepthZero(std::string_view text) {
  for (size_t line = 0; line < text.size();) {
    size_t end = text.find('\n', line);
    if (end == std::string_view::npos) return false;
    if (text[line] == '\t' && HasAny(text.substr(line, end - line), "~<>+-*/.;") &&
        end + 1 < text.size() && text[end + 1] != '\t') {
      return true;
    }
    line = end + 1;
  }
  return false;
}

// A block keyword glued to an operator that the operator spacing parts from
// it ("until-c", "while-x"), or an opener glued to ";" ("do;").
bool KeywordTouchesOperatorOrSemicolon(std::string_view text) {
  for (std::string_view keyword : {"end", "elseif", "until", "else", "function", "if", "while",
                                   "for", "do", "then", "repeat"}) {
    for (size_t at = text.find(keyword); at != std::string_view::npos;
         at = text.find(keyword, at + 1)) {
      const size_t after = at + keyword.size();
      if (after < text.size() && HasAny(text.substr(after, 1), "~<>=+-*/.;")) return true;
    }
  }
  return text.find("@;") != std::string_view::npos;
}

bool FunctionAfterOperator(std::string_view text) {
  for (size_t at = text.find("function"); at != std::string_view::npos;
       at = text.find("function", at + 1)) {
    if (at > 0 && HasAny(text.substr(at - 1, 1), "+-*/<>.")) return true;
  }
  return false;
}

// An "=" glued to what follows it ("x=#t"), or an operator line at depth 1
// before lines at depth 0.
bool EqualsGluedOrOperatorBeforeDepthZero(std::string_view text) {
  for (size_t at = text.find('='); at != std::string_view::npos; at = text.find('=', at + 1)) {
    if (at + 1 < text.size() && !IsSpace(text[at + 1])) return true;
  }
  return DepthOneOperatorLineBeforeDepthZero(text);
}

// A token glued to what follows it, "}", or "and", "or", "then" near a call.
bool CallAfterTokenOrNearKeyword(std::string_view text) {
  for (size_t at = text.find('@'); at != std::string_view::npos; at = text.find('@', at + 1)) {
    if (at + 1 < text.size() && IsSpace(text[at + 1])) return true;
  }
  return HasAny(text, "}") || text.find("and") != std::string_view::npos ||
         text.find("or") != std::string_view::npos || text.find("then") != std::string_view::npos;
}

// A word of `words` right before `then`-like glue: one of `after` directly
// after it.
bool WordFollowedBy(std::string_view text, std::initializer_list<std::string_view> words,
                    std::string_view after) {
  for (std::string_view word : words) {
    for (size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
      const size_t end = at + word.size();
      if (end < text.size() && HasAny(text.substr(end, 1), after)) return true;
    }
  }
  return false;
}

// An opener or closer glued to what is no white space the rule knows
// (M34, M39, M43): a dotted or method head, "(function", "end)", "do" or
// "then" after a token, bracket or string, or before a comment token.
bool BlockKeywordGlued(std::string_view text) {
  for (size_t at = text.find("function"); at != std::string_view::npos;
       at = text.find("function", at + 1)) {
    if (at > 0 && text[at - 1] == '(') return true;
    size_t k = at + 8;
    if (k < text.size() && IsSpace(text[k])) ++k;
    while (k < text.size() && IsWord(text[k])) ++k;
    if (k < text.size() && (text[k] == '.' || text[k] == ':')) return true;
  }
  for (std::string_view word : {"do", "then", "repeat", "end", "elseif", "until"}) {
    for (size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
      const size_t end = at + word.size();
      if (at > 0 && HasAny(text.substr(at - 1, 1), "@)]")) return true;
      if (end < text.size() && HasAny(text.substr(end, 1), ")@")) return true;
    }
  }
  return false;
}

// A head keyword after another, or "not" that may end a line (M35, M41).
bool KeywordsChainOrNotEndsLine(std::string_view text) {
  return text.find("not") != std::string_view::npos ||
         WordFollowedBy(text,
                        {"function", "while", "for", "if", "elseif", "local", "global", "until"},
                        " \t\n");
}

// A comment token after a TAB: the rule puts that TAB after the first comment
// once per comment of the file, the engine once (M36).
bool FirstCommentTabsBeyondOne(std::string_view text) {
  for (size_t at = text.find("@c"); at != std::string_view::npos; at = text.find("@c", at + 1)) {
    if (at >= 1 && text[at - 1] == '\t') return true;
  }
  return false;
}

// Where a mend may apply, its pass differs from the literal rule on purpose
// (docs/mends.md): one row per mend, the passes it changes, and whether a
// text may hold a place where it applies. The literal rule judges a pass only
// on texts where none of its mends may apply.
struct MendGate {
  std::string_view ids;
  std::initializer_list<std::string_view> passes;
  bool (*may_apply)(std::string_view text);
};

const MendGate kMendGates[] = {
    {"M01", {"RemoveCarriageReturns"}, [](std::string_view t) { return HasAny(t, "\r"); }},
    {"M02, M03",
     {"MaskComments", "MaskEscapedQuotes", "MaskStrings"},
     [](std::string_view t) { return HasAny(t, "\"'[\\@\r"); }},
    {"M13, M14, M15, M16",
     {"RestoreComments"},
     [](std::string_view t) { return CommentTokenHasCodeAfterIt(t) || HasAny(t, "\"'["); }},
    {"M21", {"KeepSemicolonsBetweenTables"}, [](std::string_view t) { return HasAny(t, ";"); }},
    {"M25, M26, M28, M31, M32",
     {"OutdentEveryLine", "RemoveZeroDecimals", "RemoveTrailingDecimalZeros",
      "AddMissingDecimalZeros", "TidyDecimals", "CloseExponentSigns", "CollapseBlankLines",
      "UseCrLfLineEnds"},
     [](std::string_view t) { return HasAny(t, "\"'["); }},
    {"M27",
     {"AddMissingDecimalZeros", "TidyDecimals"},
     [](std::string_view t) { return t.find("..") != std::string_view::npos; }},
    {"M25, M29, M30",
     {"RemoveLineEndSemicolons"},
     [](std::string_view t) { return HasAny(t, "\"'[{(-") || SemicolonAloneOnLine(t); }},
    {"M11", {"JoinKeywords"}, OperatorKeywordTouchesOperator},
    {"M12, M20", {"JoinLoopHeads"}, [](std::string_view t) { return HasAny(t, "^;"); }},
    {"M19, M20",
     {"IndentAfterOpeners", "OutdentAfterClosers", "OutdentCloserLines",
      "PlaceBlankLinesBeforeGlobalBlocks"},
     KeywordTouchesOperatorOrSemicolon},
    {"M18", {"IndentAfterOpeners"}, FunctionAfterOperator},
    {"M24", {"PlaceBlankLinesBeforeGlobalBlocks"}, EqualsGluedOrOperatorBeforeDepthZero},
    {"M07, M08",
     {"SurroundOperatorsWithSpaces"},
     [](std::string_view t) {
       return t.find("...") != std::string_view::npos || t.find("//") != std::string_view::npos ||
              t.find("<<") != std::string_view::npos || t.find(">>") != std::string_view::npos;
     }},
    {"M09, M10, M42",
     {"JoinNamesWithArguments"},
     [](std::string_view t) {
       return CallAfterTokenOrNearKeyword(t) ||
              WordFollowedBy(t, {"end", "else", "do", "repeat", "function"}, " \t\n@");
     }},
    {"M34, M39, M43",
     {"IndentAfterOpeners", "OutdentAfterClosers", "OutdentCloserLines"},
     BlockKeywordGlued},
    {"M35, M41", {"JoinKeywords"}, KeywordsChainOrNotEndsLine},
    {"M36", {"RestoreComments"}, FirstCommentTabsBeyondOne},
    {"M37",
     {"MaskArguments", "MaskIndices"},
     [](std::string_view t) { return t.find("function") != std::string_view::npos; }},
    {"M40",
     {"BreakUnarySigns"},
     [](std::string_view t) {
       for (size_t at = t.find(','); at != std::string_view::npos; at = t.find(',', at + 1)) {
         const size_t next = t.find_first_not_of(" \t", at + 1);
         if (next != std::string_view::npos && HasAny(t.substr(next, 1), "+-")) return true;
       }
       return false;
     }},
};

bool LiteralRuleJudges(std::string_view pass, std::string_view text) {
  for (const MendGate& gate : kMendGates) {
    for (std::string_view name : gate.passes) {
      if (name == pass && gate.may_apply(text)) return false;
    }
  }
  return true;
}

void ExpectSameOnText(const PassPair& pair, const std::string& text, const CodeState& base = {}) {
  if (!LiteralRuleJudges(pair.name, text)) return;
  CodeState production_state = base;
  production_state.text = text;
  CodeState reference_state = base;
  reference_state.text = text;
  FormatOptions settings;
  PassContext production{production_state, settings};
  PassContext reference{reference_state, settings};
  pair.production(production);
  pair.reference(reference);
  ASSERT_EQ(Visible(production_state.text), Visible(reference_state.text))
      << pair.name << " on " << Visible(text);
  ASSERT_EQ(production_state.ArgumentsTable, reference_state.ArgumentsTable) << pair.name;
  ASSERT_EQ(production_state.IndicesTable, reference_state.IndicesTable) << pair.name;
  ASSERT_EQ(production_state.StringsTable, reference_state.StringsTable) << pair.name;
  ASSERT_EQ(production_state.CommentsTable, reference_state.CommentsTable) << pair.name;
}

#define PAIR(name) \
  PassPair { #name, name, reference::name }

// The three decimal passes in a row. The engine's reach their fixed point in
// one run: each as its rule repeated until nothing matches, and the zeros
// put in front of points tidied as the two rules before would tidy them.
void TidyDecimals(PassContext& context) {
  RemoveZeroDecimals(context);
  RemoveTrailingDecimalZeros(context);
  AddMissingDecimalZeros(context);
}

// The literal rule of keys and values, then the mend that joins what it
// leaves of a broken statement (M38).
void JoinKeysWithValuesAndBrokenStatements(PassContext& context) {
  reference::JoinKeysWithValues(context);
  JoinBrokenStatements(context.state);
}

void TidyDecimalsUntilSettled(PassContext& context) {
  reference::RemoveZeroDecimalsUntilSettled(context);
  reference::RemoveTrailingDecimalZerosUntilSettled(context);
  reference::AddMissingDecimalZeros(context);
  reference::RemoveZeroDecimalsUntilSettled(context);
  reference::RemoveTrailingDecimalZerosUntilSettled(context);
}

// Passes that hold on any text.
TEST(PassDifferential, PassesOnAnyText) {
  const std::vector<std::string> pieces = {
      " ",      "  ",     "\t",    "\n",     "\n\n",     "\v",    "{",     "}",    "(",    ")",
      "[",      "]",      "[[",    "]]",     "\"",       "'",     "--",    "-",    "=",    "==",
      "~=",     "<=",     ">",     ",",      ";",        ".",     "..",    "...",  "+",    "*",
      "/",      "^",      "\\",    "0",      "1",        "1.0",   "0.50",  ".5",   "e",    "E",
      "x",      "_",      "@",     "@a0a@",  "@aa@",     "@c0c@", "a",     "do",   "then", "end",
      "else",   "elseif", "until", "repeat", "function", "if",    "while", "for",  "in",   "local",
      "global", "return", "and",   "or",     "not",      "}",     "end,",  "end;", "=\n"};
  const PassPair pairs[] = {
      PAIR(RemoveCarriageReturns),
      PAIR(AddFinalLineFeed),
      PAIR(RemoveLeadingLineFeeds),
      PAIR(MaskComments),
      PAIR(MaskEscapedQuotes),
      PAIR(MaskStrings),
      PAIR(MaskEmptyTables),
      PAIR(MaskArguments),
      PAIR(MaskIndices),
      PAIR(CollapseWhitespaceRuns),
      PAIR(ReplaceWhitespaceWithSpaces),
      PAIR(RemoveSpacesBeforeCommas),
      PAIR(PlaceSpacesAfterCommas),
      PAIR(AddBaseTab),
      PAIR(RemoveBlankLines),
      PassPair{"JoinKeysWithValues", JoinKeysWithValues, JoinKeysWithValuesAndBrokenStatements},
      PAIR(JoinKeywords),
      PAIR(JoinNamesWithArguments),
      PAIR(SpaceConditionKeywords),
      PAIR(BreakAfterReturn),
      PAIR(JoinLoopHeads),
      PassPair{"KeepSemicolonsBetweenTables", KeepSemicolonsBetweenTables,
               reference::PutCommaBetweenTables},
      PAIR(PutCommaAfterLastEntry),
      PAIR(OutdentCloserLines),
      PAIR(PlaceBlankLinesBeforeGlobalBlocks),
      PAIR(PlaceBlankLinesAfterGlobalBlocks),
      PAIR(SurroundOperatorsWithSpaces),
      PAIR(SpaceBeforeLineEndEquals),
      PAIR(TightenExponents),
      PAIR(BreakBeforeLeftBraces),
      PAIR(BreakAfterRightBraces),
      PAIR(OutdentEveryLine),
      // One run takes a whole chain of zero decimals, as the rule repeated.
      PassPair{"RemoveZeroDecimals", RemoveZeroDecimals, reference::RemoveZeroDecimalsUntilSettled},
      PassPair{"RemoveTrailingDecimalZeros", RemoveTrailingDecimalZeros,
               reference::RemoveTrailingDecimalZerosUntilSettled},
      PassPair{"TidyDecimals", TidyDecimals, TidyDecimalsUntilSettled},
      PAIR(RemoveLineEndSemicolons),
      PAIR(CloseExponentSigns),
      PAIR(CollapseBlankLines),
      PAIR(RemoveLeadingBlankLines),
      PAIR(AddFinalLineEnd),
      PAIR(UseCrLfLineEnds),
  };
  TextMaker maker(20261207);
  for (int i = 0; i < Cases(1500); ++i) {
    // No CR past the first pass: the reference's "." would take it.
    std::string text = maker.Pieces(pieces, 1 + maker.Below(40));
    CodeState base;
    base.ArgumentsTable = {"( a ,b )", "(\t-1 ,\n x^ 2 )", "(@a0a@)"};
    base.IndicesTable = {"[ 1 ]", "[k .. 2]"};
    for (const PassPair& pair : pairs) ExpectSameOnText(pair, text, base);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// Passes that rely on the shape earlier passes leave: TABs only at line
// starts, and lines at depth 0 where a surplus "}" put them.
TEST(PassDifferential, PassesOnLinesOfTabsAndContent) {
  const std::vector<std::string> pieces = {" ",
                                           " ",
                                           "a",
                                           "b=1,",
                                           "x",
                                           "{",
                                           "}",
                                           "},",
                                           "@a1a@",
                                           "do",
                                           " then",
                                           "end",
                                           "until",
                                           "elseif",
                                           "repeat",
                                           "function",
                                           "function f@a0a@",
                                           "function@a0a@",
                                           "=",
                                           "for",
                                           "while",
                                           ";",
                                           ",",
                                           " - 1",
                                           "{ - 2",
                                           ", + 3",
                                           "end;",
                                           "end,"};
  const PassPair pairs[] = {
      PAIR(BreakAtRightBraces),  PAIR(BreakAtSpaces),   PAIR(IndentAfterOpeners),
      PAIR(OutdentAfterClosers), PAIR(BreakUnarySigns),
  };
  TextMaker maker(4242);
  for (int i = 0; i < Cases(4000); ++i) {
    const std::string text = maker.Lines(pieces, 1 + maker.Below(8), 3);
    for (const PassPair& pair : pairs) {
      if (!LiteralRuleJudges(pair.name, text)) continue;
      CodeState production_state;
      production_state.text = text;
      CodeState reference_state = production_state;
      FormatOptions settings;
      PassContext production{production_state, settings};
      PassContext reference{reference_state, settings};
      pair.production(production);
      pair.reference(reference);
      ASSERT_EQ(production.guard_message == nullptr, reference.guard_message == nullptr)
          << pair.name << " on " << Visible(text);
      if (production.guard_message != nullptr) continue;
      ASSERT_EQ(Visible(production_state.text), Visible(reference_state.text))
          << pair.name << " on " << Visible(text);
    }
  }
}

// The five restores up to the escaped quotes, one after the other.
void RestoreFiveInTurn(PassContext& context) {
  RestoreIndices(context);
  RestoreArguments(context);
  RestoreEmptyTables(context);
  RestoreStrings(context);
  RestoreEscapedQuotes(context);
}

const PassPair kRestoredInOneScan{"RestoreGroupsStringsAndQuotes", RestoreGroupsStringsAndQuotes,
                                  RestoreFiveInTurn};

// Restoring, with tokens in and out of order, doubled, missing, and
// token-like text around them: the expansion or its literal fallback.
TEST(PassDifferential, RestoringMatchesTheLiteralRule) {
  TextMaker maker(99);
  const std::vector<std::string> filler = {"x",  " ",  "\t", "\n", "@", "a",
                                           "@a", "a@", "c@", "@c", "1"};
  for (int i = 0; i < Cases(3000); ++i) {
    const size_t count = 1 + maker.Below(5);
    auto token = [&](char kind, size_t n) {
      return std::string("@") + kind + std::to_string(n) + kind + "@";
    };
    CodeState base;
    // Entries keep their brackets and quotes; nested ones hold a lower token.
    auto enclose = [](char open, std::string inside, char close) {
      inside.insert(inside.begin(), open);
      inside.push_back(close);
      return inside;
    };
    for (size_t n = 0; n < count; ++n) {
      const bool nested = n > 0 && maker.Below(2) == 0;
      std::string argument = maker.Pieces(filler, maker.Below(3));
      if (nested) argument += token('a', maker.Below(n + 1));
      base.ArgumentsTable.push_back(enclose('(', argument, ')'));
      base.IndicesTable.push_back(enclose('[', nested ? token('i', maker.Below(n + 1)) : "", ']'));
      base.StringsTable.push_back(enclose('"', nested ? token('s', maker.Below(n + 1)) : "", '"'));
      std::string comment = "-- ";
      comment += maker.Pieces(filler, maker.Below(3));
      base.CommentsTable.push_back(comment);
    }
    base.CommentsCount = static_cast<int64_t>(count);
    std::string text;
    const char kinds[] = {'a', 'i', 's', 'c'};
    for (size_t k = 0, pieces = maker.Below(12); k < pieces; ++k) {
      if (maker.Below(3) == 0) {
        text += maker.Pieces(filler, 1);
      } else {
        text += token(kinds[maker.Below(4)], maker.Below(count + 1));
      }
    }
    for (const PassPair& pair :
         {PAIR(RestoreIndices), PAIR(RestoreArguments), PAIR(RestoreStrings),
          PAIR(RestoreEmptyTables), PAIR(RestoreEscapedQuotes), PAIR(RestoreComments)}) {
      ExpectSameOnText(pair, text, base);
      if (::testing::Test::HasFatalFailure()) return;
    }
    ExpectSameOnText(kRestoredInOneScan, text, base);
    if (::testing::Test::HasFatalFailure()) return;
  }
  // States as the masking leaves them: each token once, at a random place of
  // the text or of an entry of a kind restored before its own, the
  // arguments nested; now and then one token-like piece that the one scan
  // must give way on.
  const std::vector<std::string> fixed = {"@tet@", "@qdq@", "@qsq@", "@qlq@", "@qrq@", "@c0c@"};
  for (int i = 0; i < Cases(3000); ++i) {
    const size_t count = 1 + maker.Below(4);
    CodeState base;
    // Places: 0 is the text; then the index, argument and string entries.
    std::vector<std::string> places(1 + 3 * count);
    const auto place_of = [&](char kind, size_t n) {
      return 1 + n + count * (kind == 'i' ? 0 : kind == 'a' ? 1 : 2);
    };
    const auto put = [&](size_t place, const std::string& piece) { places[place] += piece; };
    for (size_t n = 0; n < count; ++n) {
      for (char kind : {'i', 'a', 's'}) {
        // Where the passes in turn reach a token: the text, an index entry
        // for all, an argument entry of a higher number for an argument.
        size_t place = 0;
        if (kind != 'i' && maker.Below(2) == 0) place = place_of('i', maker.Below(count));
        if (kind == 'a' && n + 1 < count && maker.Below(3) == 0) {
          place = place_of('a', n + 1 + maker.Below(count - n - 1));
        }
        if (kind == 's' && maker.Below(3) == 0) place = place_of('a', maker.Below(count));
        // Now and then where they would not: the scan gives way.
        if (maker.Below(16) == 0) place = place_of(maker.Below(2) == 0 ? 'a' : 's', n);
        put(place, std::string("@") + kind + std::to_string(n) + kind + "@");
      }
      put(maker.Below(places.size()), maker.Pieces(fixed, maker.Below(2)));
    }
    for (std::string& place : places) {
      if (maker.Below(4) != 0) continue;
      const std::string piece =
          maker.Pieces({"x", " ", "\n", "@a0a@", "@", "s@", "a1a@", "s0s@"}, 1);
      place.insert(maker.Below(2) == 0 ? 0 : place.size(), piece);
    }
    // Entries keep their brackets and quotes, but for a few.
    const auto enclose = [&](const char* open, const std::string& inside, const char* close) {
      return maker.Below(8) == 0 ? inside : open + inside + close;
    };
    for (size_t n = 0; n < count; ++n) {
      base.IndicesTable.push_back(enclose("[", places[place_of('i', n)], "]"));
      base.ArgumentsTable.push_back(enclose("(", places[place_of('a', n)], ")"));
      base.StringsTable.push_back(enclose("\"", places[place_of('s', n)], "\""));
    }
    ExpectSameOnText(kRestoredInOneScan, places[0], base);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// Breaking at "{" sees one line: the base TAB and content with single spaces.
TEST(PassDifferential, BreakAtLeftBracesOnOneLine) {
  const std::vector<std::string> pieces = {" ", "a", "=", "{", "}", ",", "x y"};
  TextMaker maker(77);
  for (int i = 0; i < Cases(2000); ++i) {
    std::string line = "\t";
    line += maker.Pieces(pieces, maker.Below(20));
    ExpectSameOnText(PAIR(BreakAtLeftBraces), line);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// A fused pass gives exactly what its two passes give one after the other.
void ExpectFusedMatches(PassFunction fused, PassFunction first, PassFunction second,
                        const std::string& text) {
  CodeState one_go;
  one_go.text = text;
  CodeState in_turn = one_go;
  FormatOptions settings;
  PassContext fused_context{one_go, settings};
  PassContext turn_context{in_turn, settings};
  fused(fused_context);
  first(turn_context);
  if (turn_context.guard_message == nullptr) second(turn_context);
  ASSERT_EQ(fused_context.guard_message == nullptr, turn_context.guard_message == nullptr)
      << Visible(text);
  if (fused_context.guard_message == nullptr) {
    ASSERT_EQ(Visible(one_go.text), Visible(in_turn.text)) << Visible(text);
  }
}

TEST(PassDifferential, FusedPassesMatchTheirPairs) {
  TextMaker maker(555);
  const std::vector<std::string> line_pieces = {" ", "a", "=", "{", "}", "},", ",", "x y", "}}"};
  const std::vector<std::string> block_pieces = {" ",
                                                 "a",
                                                 "x=1",
                                                 "do",
                                                 " then",
                                                 "end",
                                                 "end;",
                                                 "end,",
                                                 "until",
                                                 "elseif",
                                                 "else",
                                                 "repeat",
                                                 "function f@a0a@",
                                                 "function@a0a@",
                                                 "function o:m@a1a@",
                                                 "=function@a2a@",
                                                 "{",
                                                 "}"};
  for (int i = 0; i < Cases(3000); ++i) {
    std::string line = "\t";
    line += maker.Pieces(line_pieces, maker.Below(25));
    ExpectFusedMatches(BreakAtBraces, BreakAtLeftBraces, BreakAtRightBraces, line);
    if (::testing::Test::HasFatalFailure()) return;
    ExpectFusedMatches(IndentAndOutdentBlocks, IndentAfterOpeners, OutdentAfterClosers,
                       maker.Lines(block_pieces, 1 + maker.Below(10), 3));
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// The scans' search for a set of bytes, sixteen bytes a step for small sets,
// against a loop over every byte: from every start, on texts whose lengths
// straddle the steps, for sets of one, several and many bytes.
TEST(PassDifferential, FindInSetFindsWhatALoopFinds) {
  static constexpr ByteSet kSets[] = {
      ByteSet::Of([](char c) { return c == 'a'; }),
      ByteSet::Of([](char c) { return c == '\n' || c == '\r'; }),
      ByteSet::Of(IsSpace),
      ByteSet::Of([](char c) { return c >= 'a' && c <= 'j'; }),
      ByteSet::Of([](char c) { return c == '\xff' || c == '\0'; }),
  };
  TextMaker maker(616);
  const std::vector<std::string> pieces = {"x",
                                           "yz",
                                           "a",
                                           "\n",
                                           "\r",
                                           " ",
                                           "\t",
                                           "j",
                                           "\xff",
                                           std::string(1, '\0'),
                                           "qqqqqqqqqqqqqqqqq"};
  for (int i = 0; i < Cases(2000); ++i) {
    const std::string text = maker.Pieces(pieces, maker.Below(12));
    for (const ByteSet& set : kSets) {
      for (size_t pos = 0; pos <= text.size(); ++pos) {
        size_t expected = pos;
        while (expected < text.size() && !set(text[expected])) ++expected;
        ASSERT_EQ(FindInSet(text, pos, set), expected) << Visible(text) << " from " << pos;
      }
    }
  }
}

}  // namespace
}  // namespace kelvane
