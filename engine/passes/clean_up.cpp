// The clean-up stage, each pass one forward scan over the restored text.

#include "engine/passes/clean_up.h"

#include <string>
#include <string_view>

#include "engine/char_class.h"

namespace kelvane {
namespace {

size_t SkipSpaces(std::string_view text, size_t pos) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  return pos;
}

size_t SkipDigits(std::string_view text, size_t pos) {
  while (pos < text.size() && IsDigit(text[pos])) ++pos;
  return pos;
}

bool IsNonWordAt(std::string_view text, size_t pos) { return pos < text.size() && !IsWord(text[pos]); }

bool IsSignAt(std::string_view text, size_t pos) {
  return pos < text.size() && (text[pos] == '+' || text[pos] == '-');
}

}  // namespace

// "^\t" -> "": one TAB less at the start of every line.
void OutdentEveryLine(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\t' && (i == 0 || text[i - 1] == '\n')) continue;
    out.push_back(text[i]);
  }
  context.state.text = std::move(out);
}

// "(\d)(\.0+)([^\w])" -> "$1$3": "x = 1.0\n" -> "x = 1\n", "1.0.0\n" -> "1.0\n".
void RemoveZeroDecimals(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (IsDigit(text[i]) && i + 2 < text.size() && text[i + 1] == '.' && text[i + 2] == '0') {
      size_t end = i + 2;
      while (end < text.size() && text[end] == '0') ++end;
      if (IsNonWordAt(text, end)) {
        out.push_back(text[i]);
        out.push_back(text[end]);
        i = end + 1;
        continue;
      }
    }
    out.push_back(text[i++]);
  }
  context.state.text = std::move(out);
}

// "(\d\.\d*[123456789]+)(0+)([^\w])" -> "$1$3": "0.50," -> "0.5,".
void RemoveTrailingDecimalZeros(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (IsDigit(text[i]) && i + 1 < text.size() && text[i + 1] == '.') {
      const size_t fraction = i + 2;
      const size_t end = SkipDigits(text, fraction);
      if (IsNonWordAt(text, end)) {
        size_t kept = end;
        while (kept > fraction && text[kept - 1] == '0') --kept;
        if (kept < end && kept > fraction) {
          out.append(text, i, kept - i);
          out.push_back(text[end]);
          i = end + 1;
          continue;
        }
      }
    }
    out.push_back(text[i++]);
  }
  context.state.text = std::move(out);
}

// "([^\w])(\.\d)" -> "$10$2", which is group 1, a "0", then group 2 (there
// is no group 10): "x = .5\n" -> "x = 0.5\n".
void AddMissingDecimalZeros(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size();) {
    if (!IsWord(text[i]) && i + 2 < text.size() && text[i + 1] == '.' && IsDigit(text[i + 2])) {
      out.push_back(text[i]);
      out.append("0.");
      out.push_back(text[i + 2]);
      i += 3;
      continue;
    }
    out.push_back(text[i++]);
  }
  context.state.text = std::move(out);
}

// "([^,\s])(\s*)(\;)(\n)" -> "$1$2$4": "print(x);\n" -> "print(x)\n". Of two
// semicolons at a line end only the last goes: the first is the character
// before it.
void RemoveLineEndSemicolons(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c != ',' && !IsSpace(c)) {
      const size_t semicolon = SkipSpaces(text, i + 1);
      if (semicolon + 1 < text.size() && text[semicolon] == ';' && text[semicolon + 1] == '\n') {
        out.append(text, i, semicolon - i);
        out.push_back('\n');
        i = semicolon + 2;
        continue;
      }
    }
    out.push_back(text[i++]);
  }
  context.state.text = std::move(out);
}

// "([^\w]\d+)(e|E)(\s+)(\-|\+)(\s+)(\d+)" -> "$1$2$4$6": "x = 1e - 5" -> "x = 1e-5".
void CloseExponentSigns(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (!IsWord(text[i]) && i + 1 < text.size() && IsDigit(text[i + 1])) {
      const size_t letter = SkipDigits(text, i + 1);
      if (letter < text.size() && (text[letter] == 'e' || text[letter] == 'E')) {
        const size_t sign = SkipSpaces(text, letter + 1);
        if (sign > letter + 1 && IsSignAt(text, sign)) {
          const size_t exponent = SkipSpaces(text, sign + 1);
          if (exponent > sign + 1 && exponent < text.size() && IsDigit(text[exponent])) {
            const size_t end = SkipDigits(text, exponent);
            out.append(text, i, letter + 1 - i);
            out.push_back(text[sign]);
            out.append(text, exponent, end - exponent);
            i = end;
            continue;
          }
        }
      }
    }
    out.push_back(text[i++]);
  }
  context.state.text = std::move(out);
}

// "\n\n\n" -> "\n\n", repeated: every run of three or more LFs becomes two.
void CollapseBlankLines(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string out;
  out.reserve(text.size());
  size_t run = 0;
  for (const char c : text) {
    run = c == '\n' ? run + 1 : 0;
    if (run <= 2) out.push_back(c);
  }
  context.state.text = std::move(out);
}

void RemoveLeadingBlankLines(PassContext& context) {
  std::string& text = context.state.text;
  text.erase(0, text.find_first_not_of('\n'));
}

void AddFinalLineEnd(PassContext& context) {
  std::string& text = context.state.text;
  if (text.empty() || text.back() != '\n') text.push_back('\n');
}

void UseCrLfLineEnds(PassContext& context) {
  const std::string_view text = context.state.text;
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (const char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  context.state.text = std::move(out);
}

}  // namespace kelvane
