// The shared loop shapes of the reference passes, written as the rules state
// them: a regular-expression replacement inside the loop, nothing cleverer.

#include "tests/reference/reference_loops.h"

#include <cstdio>
#include <cstdlib>

namespace kelvane::reference {

std::string Indent(std::string_view text) { return ReplaceAll(text, "^(.*)$", kMulti, "\t$1"); }

std::string Outdent(std::string_view text) { return ReplaceAll(text, "^(\\t)(.*)$", kMulti, "$2"); }

std::string Iterate1(std::string_view text, std::string& out_string) {
  constexpr std::string_view kPattern = "(\\t*)([^\\{\\t]*)(\\{)(.*)";
  out_string += ReplaceFirst(text, kPattern, kSingle, "$1$2\n$1$3\n");
  return ReplaceFirst(text, kPattern, kSingle, "$1$4");
}

std::string Iterate2(std::string_view text, std::string& out_string) {
  constexpr std::string_view kBracketLine = "^(\\t)(\\t*)([^\\}\\t]*)(\\},?)";
  size_t cut = text.find('}');
  cut = cut == std::string_view::npos ? text.size() : cut + 1;
  if (cut < text.size() && text[cut] == ',') ++cut;
  std::string_view head = text.substr(0, cut);
  std::string_view tail = text.substr(cut);
  std::optional<RegexMatch> line = FindFirst(head, "^([^\\}\\n]*)(\\},?)", kMulti);
  std::string_view bracket_line = line ? head.substr(line->begin, line->end - line->begin) : "";
  std::string rest_indentation = ReplaceAll(bracket_line, kBracketLine, kMulti, "$2");
  out_string += ReplaceAll(head, kBracketLine, kMulti, "$1$2$3\n$2$4\n");
  std::string result = "\t";
  result += rest_indentation;
  result += tail;
  return result;
}

std::string RepeatWhileMatch(std::string_view text, std::string_view pattern, RegexFlags flags,
                             std::string_view replacement) {
  // Every loop of this shape ends because each round removes or splits
  // something; a loop that ran this long would hang the tests instead.
  constexpr int kRunaway = 1000000;
  std::string current(text);
  for (int round = 0; Test(current, pattern, flags); ++round) {
    if (round == kRunaway) {
      std::fprintf(stderr, "reference: /%.*s/ keeps matching\n", static_cast<int>(pattern.size()),
                   pattern.data());
      std::abort();
    }
    current = ReplaceAll(current, pattern, flags, replacement);
  }
  return current;
}

void MaskFirstMatches(std::string& text, std::string_view pattern, RegexFlags flags,
                      std::vector<std::string>& table, std::string_view prefix,
                      std::string_view suffix) {
  while (std::optional<RegexMatch> match = FindFirst(text, pattern, flags)) {
    std::string token(prefix);
    token += std::to_string(table.size());
    token += suffix;
    table.emplace_back(text.substr(match->begin, match->end - match->begin));
    text.replace(match->begin, match->end - match->begin, token);
  }
}

void ReplaceFirstOccurrence(std::string& text, std::string_view token, std::string_view stored) {
  size_t at = text.find(token);
  if (at != std::string::npos) text.replace(at, token.size(), stored);
}

}  // namespace kelvane::reference
