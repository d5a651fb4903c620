// The two brace loops, each one forward scan.

#include "engine/passes/brace_breaking.h"

#include <string>
#include <string_view>

#include "engine/scan.h"

namespace kelvane {

// Breaking at "{": the text is one line of TABs and content (the passes
// before leave no other TAB and no LF). Each "{" ends the content before it
// on a line of its own, stands alone on the next line at the same depth, and
// everything after it goes one TAB deeper:
//   "\ta = { b = { 1 } }" -> "\ta = \n\t{\n\t\t b = \n\t\t{\n\t\t\t 1 } }"
void BreakAtLeftBraces(PassContext& context) {
  const std::string_view text = context.state.text;
  size_t depth = LeadingTabs(text);
  std::string& out = context.state.Scratch(text.size() + text.size() / 4);
  size_t segment = depth;
  for (size_t brace; (brace = text.find('{', segment)) != std::string_view::npos;
       segment = brace + 1) {
    out.append(depth, '\t');
    out.append(text, segment, brace - segment);
    out.push_back('\n');
    out.append(depth, '\t');
    out.append("{\n");
    ++depth;
  }
  out.append(depth, '\t');
  out.append(text, segment);
  context.state.CommitScratch();
}

namespace {

// Breaking at "}": every "}" (with a comma directly after it) moves to a line
// of its own one level shallower than the content before it, and everything
// after it moves one level left; a line never loses TABs it does not have:
//   "\t\t b = 1 } " -> "\t\t b = 1 \n\t}\n\t "
// A "}" reached on a line that has no TAB left cannot be broken: the loop
// that breaks them one by one would repeat without end, so the guard fires
// (Mend M33: then, and not after a count of rounds).
class RightBraceBreaker {
 public:
  explicit RightBraceBreaker(std::string& out) : out_(out) {}

  // One line: `tabs` leading TABs before the braces so far took theirs, and
  // the content after them. False when the guard fires.
  bool Line(size_t tabs, std::string_view content) {
    size_t depth = tabs > outdents_ ? tabs - outdents_ : 0;
    size_t segment = 0;
    for (size_t brace; (brace = content.find('}', segment)) != std::string_view::npos;) {
      if (depth == 0) return false;
      out_.append(depth, '\t');
      out_.append(content, segment, brace - segment);
      out_.push_back('\n');
      out_.append(depth - 1, '\t');
      out_.push_back('}');
      segment = brace + 1;
      if (segment < content.size() && content[segment] == ',') {
        out_.push_back(',');
        ++segment;
      }
      out_.push_back('\n');
      --depth;
      ++outdents_;
    }
    out_.append(depth, '\t');
    out_.append(content, segment);
    return true;
  }

 private:
  std::string& out_;
  size_t outdents_ = 0;  // braces broken so far: every later line lost that many TABs
};

constexpr const char kRightBraceGuard[] =
    "Error: Was unable to break and outdent at every occurance of a right bracket.";

}  // namespace

void BreakAtRightBraces(PassContext& context) {
  const std::string_view text = context.state.text;
  if (text.find('}') == std::string_view::npos) return;
  std::string& out = context.state.Scratch(text.size() + text.size() / 4);
  RightBraceBreaker breaker(out);
  const bool broken = ForEachLineBreakingOut(text, out, [&](size_t tabs, std::string_view content) {
    return breaker.Line(tabs, content);
  });
  if (!broken) {
    context.guard_message = kRightBraceGuard;
    return;
  }
  context.state.CommitScratch();
}

// Both brace passes at once. Breaking at "{" gives every line as many TABs
// as there are "{" before it, which the "}" pass then takes back: the text in
// between grows with the square of the number of braces. Here each line that
// "{" pass would make goes straight through the "}" pass instead.
void BreakAtBraces(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string& out = context.state.Scratch(text.size() + text.size() / 2);
  RightBraceBreaker breaker(out);
  size_t depth = LeadingTabs(text);
  size_t segment = depth;
  while (true) {
    const size_t brace = text.find('{', segment);
    const size_t end = brace == std::string_view::npos ? text.size() : brace;
    if (!breaker.Line(depth, text.substr(segment, end - segment))) {
      context.guard_message = kRightBraceGuard;
      return;
    }
    if (brace == std::string_view::npos) break;
    out.push_back('\n');
    breaker.Line(depth, "{");
    out.push_back('\n');
    ++depth;
    segment = brace + 1;
  }
  context.state.CommitScratch();
}

}  // namespace kelvane
