// Reference passes of pre-processing, storing and retrieving the protected
// sequences, written literally as their rules.

#include <string>

#include "tests/reference/reference_loops.h"
#include "tests/reference/reference_passes.h"

namespace kelvane::reference {

// The engine differs here: M01 (docs/mends.md).
void RemoveCarriageReturns(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "\\r", kSingle, "");
}

void AddFinalLineFeed(PassContext& context) {
  std::string& text = context.state.text;
  if (text.empty() || text.back() != '\n') text += '\n';
}

void RemoveLeadingLineFeeds(PassContext& context) {
  std::string& text = context.state.text;
  while (!text.empty() && text.front() == '\n') text.erase(0, 1);
}

// The engine differs here: M02, M03 (docs/mends.md).
void MaskComments(PassContext& context) {
  CodeState& state = context.state;
  constexpr std::string_view kComment = "\\-\\-[^\\n]*$";
  if (!context.settings.StripComments) {
    MaskFirstMatches(state.text, kComment, kMulti, state.CommentsTable, "@c", "c@");
    state.CommentsCount = static_cast<int64_t>(state.CommentsTable.size());
    return;
  }
  while (Test(state.text, kComment, kMulti)) {
    state.text = ReplaceFirst(state.text, kComment, kMulti, "");
    state.CommentsCount = -1;
  }
}

// The engine differs here: M02 (docs/mends.md).
void MaskEscapedQuotes(PassContext& context) {
  std::string& text = context.state.text;
  text = ReplaceAll(text, "\\\\\\\"", kSingle, "@qdq@");
  text = ReplaceAll(text, "\\\\\\'", kSingle, "@qsq@");
  text = ReplaceAll(text, "\\\\\\[\\\\\\[", kSingle, "@qlq@");
  text = ReplaceAll(text, "\\\\\\]\\\\\\]", kSingle, "@qrq@");
}

// The engine differs here: M02 (docs/mends.md).
void MaskStrings(PassContext& context) {
  CodeState& state = context.state;
  MaskFirstMatches(state.text, "\\[\\[[^\\[\\]]*\\]\\]", kSingle, state.StringsTable, "@s", "s@");
  MaskFirstMatches(state.text, "\\\"[^\\\"]*\\\"", kSingle, state.StringsTable, "@s", "s@");
  MaskFirstMatches(state.text, "\\'[^\\']*\\'", kSingle, state.StringsTable, "@s", "s@");
}

void MaskEmptyTables(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "\\{\\s*\\}", kSingle, "@tet@");
}

void MaskArguments(PassContext& context) {
  CodeState& state = context.state;
  MaskFirstMatches(state.text, "\\([^\\(\\)]*\\)", kSingle, state.ArgumentsTable, "@a", "a@");
}

void MaskIndices(PassContext& context) {
  CodeState& state = context.state;
  MaskFirstMatches(state.text, "\\[[^\\[\\]]*\\]", kSingle, state.IndicesTable, "@i", "i@");
}

namespace {

// From the highest number down to 0, the first occurrence of each token gets
// its stored text back.
void RestoreNumbered(std::string& text, const std::vector<std::string>& table, int64_t count,
                     std::string_view prefix, std::string_view suffix) {
  for (int64_t n = count - 1; n >= 0; --n) {
    std::string token(prefix);
    token += std::to_string(n);
    token += suffix;
    ReplaceFirstOccurrence(text, token, table[static_cast<size_t>(n)]);
  }
}

int64_t CountOf(const std::vector<std::string>& table) {
  return static_cast<int64_t>(table.size());
}

}  // namespace

void RestoreIndices(PassContext& context) {
  CodeState& state = context.state;
  RestoreNumbered(state.text, state.IndicesTable, CountOf(state.IndicesTable), "@i", "i@");
}

void RestoreArguments(PassContext& context) {
  CodeState& state = context.state;
  RestoreNumbered(state.text, state.ArgumentsTable, CountOf(state.ArgumentsTable), "@a", "a@");
}

void RestoreEmptyTables(PassContext& context) {
  context.state.text = ReplaceAll(context.state.text, "@tet@", kSingle, "{}");
}

void RestoreStrings(PassContext& context) {
  CodeState& state = context.state;
  RestoreNumbered(state.text, state.StringsTable, CountOf(state.StringsTable), "@s", "s@");
}

void RestoreEscapedQuotes(PassContext& context) {
  std::string& text = context.state.text;
  text = ReplaceAll(text, "(@qdq@)", kSingle, "\\\"");
  text = ReplaceAll(text, "(@qsq@)", kSingle, "\\'");
  text = ReplaceAll(text, "@qlq@", kSingle, "\\[\\[");
  text = ReplaceAll(text, "@qrq@", kSingle, "\\]\\]");
}

// The engine differs here: M13, M14, M15, M16 (docs/mends.md).
void RestoreComments(PassContext& context) {
  CodeState& state = context.state;
  for (int64_t n = state.CommentsCount - 1; n >= 0; --n) {
    state.text = ReplaceFirst(state.text, "(\\t*)(\\@c\\d*c\\@)", kSingle, "$1$2$1");
    ReplaceFirstOccurrence(state.text, "@c" + std::to_string(n) + "c@",
                           state.CommentsTable[static_cast<size_t>(n)]);
  }
}

}  // namespace kelvane::reference
