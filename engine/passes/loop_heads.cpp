// Joining loop heads, with the backtracking matcher of their patterns.

#include "engine/passes/loop_heads.h"

#include <span>
#include <string>
#include <string_view>

#include "engine/char_class.h"
#include "engine/passes/next_run.h"
#include "engine/passes/sequence_matcher.h"
#include "engine/scan.h"

namespace kelvane {

namespace {

using enum Piece;

// Mend M20: each "do\s" also takes ";" after "do" ("do;", Lua 5.2's empty
// statement, which the clean-up takes away), so that the next run's head is
// joined on the first run. Mend M43: and the comments glued after it
// ("do--x"), which Lua reads as white space.
// (\sfor\s.*,)(\s+)(.*)(\s+)(do\s) -> "$1 $3 $5"
constexpr SequenceElement kForTwoParts[] = {
    {kSpace, {}, 1},     {kLiteral, "for", 1},  {kSpace, {}, 1},     {kLineChars, {}, 1},
    {kLiteral, ",", 1},  {kSpaceRun, {}, 2},    {kLineChars, {}, 3}, {kSpaceRun, {}, 4},
    {kLiteral, "do", 5}, {kKeywordTail, {}, 5}, {kSpace, {}, 5}};
// (\sfor\s.*,)(\s+)(.*,)(\s+)(.*)(\s+)(do\s) -> "$1 $3 $5 $7"
constexpr SequenceElement kForThreeParts[] = {
    {kSpace, {}, 1},       {kLiteral, "for", 1}, {kSpace, {}, 1},     {kLineChars, {}, 1},
    {kLiteral, ",", 1},    {kSpaceRun, {}, 2},   {kLineChars, {}, 3}, {kLiteral, ",", 3},
    {kSpaceRun, {}, 4},    {kLineChars, {}, 5},  {kSpaceRun, {}, 6},  {kLiteral, "do", 7},
    {kKeywordTail, {}, 7}, {kSpace, {}, 7}};
// (\sfor\s.*,)(\s+)(.*)(\s+)(in)(\s+)(.*)(\s+)(do\s) -> "$1 $3 $5 $7 $9"
constexpr SequenceElement kForIn[] = {
    {kSpace, {}, 1},     {kLiteral, "for", 1},  {kSpace, {}, 1},     {kLineChars, {}, 1},
    {kLiteral, ",", 1},  {kSpaceRun, {}, 2},    {kLineChars, {}, 3}, {kSpaceRun, {}, 4},
    {kLiteral, "in", 5}, {kSpaceRun, {}, 6},    {kLineChars, {}, 7}, {kSpaceRun, {}, 8},
    {kLiteral, "do", 9}, {kKeywordTail, {}, 9}, {kSpace, {}, 9}};
// (\swhile)(\s+)([^\s]*)(\s+)(do\s) -> "$1 $3 $5"
constexpr SequenceElement kWhile[] = {
    {kSpace, {}, 1},    {kLiteral, "while", 1}, {kSpaceRun, {}, 2},    {kNonSpaces, {}, 3},
    {kSpaceRun, {}, 4}, {kLiteral, "do", 5},    {kKeywordTail, {}, 5}, {kSpace, {}, 5}};

// Whether a whole word `word` stands at `pos`, with white space on both sides.
bool SpacedWordAt(std::string_view text, size_t pos, std::string_view word) {
  return pos > 0 && IsSpace(text[pos - 1]) && StartsWithAt(text, pos, word) &&
         pos + word.size() < text.size() && IsSpace(text[pos + word.size()]);
}

// Whether every part of the matched head (its odd groups) comes back as one
// line on the next run.
bool PartsComeBackWhole(const SequenceMatcher& matcher, int last_group) {
  char before = '\0';
  for (int group = 1; group <= last_group; group += 2) {
    const std::string_view part = matcher.Group(group);
    if (!NextRunKeepsPartAlone(part, before)) return false;
    before = part.empty() ? '\0' : part.back();
  }
  return true;
}

// Whether `head`, a head from its opening white space to the white space
// after "do", matches `pattern` whole and every part comes back as one line.
bool HeadJoins(SequenceMatcher& matcher, std::string_view head, int last_group) {
  if (!matcher.MatchAt(head, 0) || matcher.End() != head.size()) return false;
  return PartsComeBackWhole(matcher, last_group);
}

// One global replacement of a loop-head pattern by its odd groups joined with
// single spaces. Mend M12: a head is joined only where the next run
// joins it too: where each part comes back as one piece on the next run
// (NextRunKeepsPartAlone). "for i = 1, n/2 do" stays broken, since the next
// run finds "n / 2" in three pieces.
//
// The other way round, "2 ^ n" in a head stands on three lines here, and the
// operator spacing later writes "2^n", which the next run joins as one part.
// A head that does not match as it stands is therefore tried once more with
// the white space around its "^" taken out, and joined so if it matches then.
void JoinHeads(CodeState& state, std::span<const SequenceElement> pattern, std::string_view opening,
               int last_group) {
  std::string& text = state.text;
  SequenceMatcher matcher(pattern);
  std::string& out = state.Scratch(text.size());
  size_t i = 0;
  auto parts_keep_their_lines = [&] { return PartsComeBackWhole(matcher, last_group); };
  // For the second try: the next "^" and the next "do" as cursors that only
  // move forward, and the end of the last head tried, so that no stretch of
  // the text is tried twice.
  SequenceMatcher tight_matcher(pattern);
  std::string tight;
  size_t caret = text.find('^');
  size_t next_do = 0;
  size_t tried_until = 0;
  auto tightened_head_end = [&](size_t start, size_t word) -> size_t {
    if (word < tried_until || caret == std::string::npos) return 0;
    if (caret < word) caret = text.find('^', word);
    if (caret == std::string::npos) return 0;
    if (next_do != std::string::npos && next_do < word) {
      next_do = word;
      while ((next_do = text.find("do", next_do + 1)) != std::string::npos &&
             !SpacedWordAt(text, next_do, "do")) {
      }
    }
    tried_until = next_do == std::string::npos ? text.size() : next_do;
    if (next_do == std::string::npos || caret > next_do) return 0;
    const size_t end = next_do + 3;  // "do" and the white space after it
    tight.clear();
    TightenCarets(std::string_view(text).substr(start, end - start), tight);
    return HeadJoins(tight_matcher, tight, last_group) ? end : 0;
  };
  for (size_t word; (word = text.find(opening, i + 1)) != std::string::npos;) {
    const size_t start = word - 1;
    if (!IsSpace(text[start])) {
      out.append(text, i, word - i);
      i = word;
      continue;
    }
    if (matcher.MatchAt(text, start) && parts_keep_their_lines()) {
      out.append(text, i, start - i);
      for (int group = 1; group <= last_group; group += 2) {
        if (group > 1) out.push_back(' ');
        out.append(matcher.Group(group));
      }
      i = matcher.End();
      if (i >= text.size()) break;
      continue;
    }
    if (const size_t end = tightened_head_end(start, word); end != 0) {
      out.append(text, i, start - i);
      for (int group = 1; group <= last_group; group += 2) {
        if (group > 1) out.push_back(' ');
        out.append(tight_matcher.Group(group));
      }
      i = end;
      if (i >= text.size()) break;
      continue;
    }
    out.append(text, i, word - i);
    i = word;
  }
  if (i < text.size()) out.append(text, i);
  state.CommitScratch();
}

}  // namespace

// Loop heads whose parts stand on consecutive lines go back on one line:
// "\tfor i=1,\n\tn\n\tdo\n" -> "\tfor i=1, n do\n".
void JoinLoopHeads(PassContext& context) {
  CodeState& state = context.state;
  JoinHeads(state, kForTwoParts, "for", 5);
  JoinHeads(state, kForThreeParts, "for", 7);
  JoinHeads(state, kForIn, "for", 9);
  JoinHeads(state, kWhile, "while", 5);
}

}  // namespace kelvane
