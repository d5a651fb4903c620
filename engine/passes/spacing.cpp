// Flattening the layout, and one piece of code per line. Each pass is one
// forward scan that gives what its replacement rule gives when run over the
// whole text; the comment above each states the rule and an example.

#include "engine/passes/spacing.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "engine/char_class.h"
#include "engine/passes/stored_groups.h"
#include "engine/scan.h"

namespace kelvane {
namespace {

// Runs of white space: with `min_run` 2, "\s\s+" -> " " (runs of one stay);
// with 1, "\s+" -> " ".
void SqueezeWhitespace(std::string_view text, size_t min_run, std::string& out) {
  RewriteWhitespaceRuns(text, out, [&](size_t begin, size_t end, Splicer& splicer) {
    if (end - begin >= min_run && !(end - begin == 1 && text[begin] == ' ')) {
      splicer.Replace(begin, end, " ");
    }
    return end;
  });
}

// "\s+," -> ",".
void DropSpacesBeforeCommas(std::string_view text, std::string& out) {
  RewriteWhitespaceRuns(text, out, [&](size_t begin, size_t end, Splicer& splicer) {
    if (end < text.size() && text[end] == ',') splicer.Replace(begin, end, "");
    return end;
  });
}

// ",\s*" -> ", ".
void OneSpaceAfterCommas(std::string_view text, std::string& out) {
  for (size_t i = 0; i < text.size();) {
    if (text[i] != ',') {
      size_t next = text.find(',', i);
      if (next == std::string_view::npos) next = text.size();
      out.append(text, i, next - i);
      i = next;
      continue;
    }
    out.append(", ");
    i = SkipSpaces(text, i + 1);
  }
}

// The four rules above in a row, in one scan: every run of white space
// becomes one space, none before a comma, and exactly one after each comma
// (what follows a comma is its space, white space or not). "a ,\n b" ->
// "a, b", "a, \n ,b" -> "a, , b".
void OneSpacePerRunAndComma(std::string_view text, std::string& out) {
  static constexpr ByteSet kStops = ByteSet::Of([](char c) { return IsSpace(c) || c == ','; });
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == ',') {
      out.append(", ");
      i = SkipSpaces(text, i + 1);
    } else if (IsSpace(c)) {
      const size_t end = SkipSpaces(text, i);
      if (end == text.size() || text[end] != ',') out.push_back(' ');
      i = end;
    } else {
      const size_t next = FindInSet(text, i, kStops);
      out.append(text, i, next - i);
      i = next;
    }
  }
}

}  // namespace

void SpaceRunsAndCommas(PassContext& context) {
  RewriteTextAndStoredGroups(context.state, OneSpacePerRunAndComma);
}

void CollapseWhitespaceRuns(PassContext& context) {
  RewriteTextAndStoredGroups(
      context.state, [](std::string_view in, std::string& out) { SqueezeWhitespace(in, 2, out); });
}

void ReplaceWhitespaceWithSpaces(PassContext& context) {
  RewriteTextAndStoredGroups(
      context.state, [](std::string_view in, std::string& out) { SqueezeWhitespace(in, 1, out); });
}

void RemoveSpacesBeforeCommas(PassContext& context) {
  RewriteTextAndStoredGroups(context.state, DropSpacesBeforeCommas);
}

void PlaceSpacesAfterCommas(PassContext& context) {
  RewriteTextAndStoredGroups(context.state, OneSpaceAfterCommas);
}

void AddBaseTab(PassContext& context) { context.state.text.insert(0, 1, '\t'); }

// One token per line: "^(\t*)([^\t ]*)( )(.*)$" -> "$1$2\n$1$4", repeated
// while a space remains. Every line is split at each space and every piece
// keeps the line's TABs: "\tb = 1," -> "\tb\n\t=\n\t1,".
//
// The pattern's "[^\t ]*" also crosses line ends, so on a line without TABs
// (only a surplus "}" leaves one) a split can take its TABs from a line
// above. Working through the repetitions: in round k every line with a space
// is split once at its first space; a TAB-less line B takes, for the rest of
// its pieces, the TABs of the nearest line above that has TABs once that line
// and every TAB-less line between them has no space left, which happens in
// round 1 + the most spaces any of them had. Until then B's pieces stay at
// depth 0. So one scan that remembers the last line with TABs and the most
// spaces since it gives the final text.
void BreakAtSpaces(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string& out = context.state.Scratch(text.size() + text.size() / 2);
  bool have_tab_line = false;
  size_t context_depth = 0;  // depth of the last line whose last piece has TABs
  size_t most_spaces = 0;    // most spaces of that line and the TAB-less lines since
  ForEachLineBreakingOut(text, out, [&](size_t tabs, std::string_view content) {
    const size_t spaces = static_cast<size_t>(std::count(content.begin(), content.end(), ' '));
    // The pieces before index `switch_at` get `tabs`, the rest `later_depth`.
    size_t switch_at = spaces + 1;
    size_t later_depth = tabs;
    if (tabs > 0) {
      have_tab_line = true;
      context_depth = tabs;
      most_spaces = spaces;
    } else if (have_tab_line && most_spaces + 1 <= spaces) {
      switch_at = most_spaces + 1;
      later_depth = context_depth;
      most_spaces = spaces;
    } else {
      most_spaces = std::max(most_spaces, spaces);
    }
    size_t piece = 0;
    size_t start = 0;
    while (true) {
      const size_t space = content.find(' ', start);
      out.append(piece < switch_at ? tabs : later_depth, '\t');
      out.append(content, start, space == std::string_view::npos ? content.npos : space - start);
      if (space == std::string_view::npos) break;
      out.push_back('\n');
      start = space + 1;
      ++piece;
    }
    return true;
  });
  context.state.CommitScratch();
}

// Blank lines: "^\s+$" (multiline) -> "" then "\n\n" -> "\n". The first
// empties a run of white-space-only lines together with the LFs between them
// (from its line start to its last LF, or to the end of the text); the second
// then removes the single empty line that is left. Both in one scan: the
// text the first would leave comes as pieces (a line with its LF, or the LF
// left of an emptied run), and the second drops an LF that comes right after
// an LF it kept. Pieces that follow one another in the text are copied in one
// go.
void RemoveBlankLines(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string& out = context.state.Scratch(text.size());
  size_t pending = 0;  // the text from here to `pending_end` is still to be copied
  size_t pending_end = 0;
  bool kept_lf_last = false;  // the last byte the first rule left is an LF the second keeps
  const auto flush = [&] { out.append(text, pending, pending_end - pending); };
  const auto keep = [&](size_t begin, size_t end) {
    if (begin != pending_end) {
      flush();
      pending = begin;
    }
    pending_end = end;
  };
  for (size_t i = 0; i < text.size();) {
    // At a line start.
    const size_t run_end = SkipSpaces(text, i);
    if (run_end == text.size() && run_end > i) break;
    size_t last_lf = run_end;
    while (last_lf > i + 1 && text[last_lf - 1] != '\n') --last_lf;
    if (last_lf > i + 1) i = last_lf - 1;  // an LF at last_lf - 1 > i: drop [i, last_lf - 1)
    if (text[i] == '\n') {
      // An empty line's LF: it goes when it follows a kept one.
      if (!kept_lf_last) keep(i, i + 1);
      kept_lf_last = !kept_lf_last;
      ++i;
      continue;
    }
    const size_t lf = text.find('\n', i);
    const size_t next = lf == std::string_view::npos ? text.size() : lf + 1;
    keep(i, next);
    kept_lf_last = lf != std::string_view::npos;
    i = next;
  }
  flush();
  context.state.CommitScratch();
}

}  // namespace kelvane
