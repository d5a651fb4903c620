// Checking table constructors against Lua 4.0's grammar, over Lua's tokens.

#include "tests/support/lua40_constructors.h"

#include <cstddef>
#include <vector>

#include "engine/lua_nesting.h"
#include "engine/meaning_tokens.h"

namespace kelvane::test_support {
namespace {

using meaning::Token;
using meaning::TokenKind;

// One open construct: a table constructor with what its parts hold so far,
// a bracket, or a block.
struct Frame {
  char kind = '{';  // '{', '(', '[' or 'b'
  int semicolons = 0;
  char part_kind[2] = {0, 0};  // 'L' list, 'R' record, 0 empty so far
  bool at_field_start = true;
};

bool Is(const Token& token, std::string_view text) {
  return token.kind == TokenKind::kSymbol && token.text == text;
}

size_t LineOf(std::string_view text, const Token& token) {
  size_t line = 1;
  for (const char* p = text.data(); p < token.text.data(); ++p) line += *p == '\n' ? 1 : 0;
  return line;
}

}  // namespace

std::string Lua40ConstructorFault(std::string_view text) {
  std::vector<Token> tokens;
  meaning::RawTokens raw(text);
  for (Token token; raw.Next(token);) tokens.push_back(token);
  std::vector<Frame> open;
  auto fault = [&](const Token& token, const std::string& what) {
    return "line " + std::to_string(LineOf(text, token)) + ": " + what;
  };
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    Frame* table = !open.empty() && open.back().kind == '{' ? &open.back() : nullptr;
    if (table != nullptr && table->at_field_start && !Is(token, "}") && !Is(token, ";") &&
        !Is(token, ",")) {
      // The first token of a field tells its kind.
      const bool record = Is(token, "[") || (token.kind == TokenKind::kName &&
                                             i + 1 < tokens.size() && Is(tokens[i + 1], "="));
      const char kind = record ? 'R' : 'L';
      char& part = table->part_kind[table->semicolons];
      if (part != 0 && part != kind) return fault(token, "list and record fields in one part");
      part = kind;
      table->at_field_start = false;
    }
    if (Is(token, "{") || Is(token, "(") || Is(token, "[")) {
      Frame frame;
      frame.kind = token.text[0];
      open.push_back(frame);
    } else if (Is(token, "}")) {
      if (table == nullptr) continue;  // unbalanced: not this checker's business
      if (table->semicolons == 1 && table->part_kind[0] != 0 &&
          table->part_kind[0] == table->part_kind[1]) {
        return fault(token, "two parts of one kind around \";\"");
      }
      open.pop_back();
    } else if (Is(token, ")") || Is(token, "]")) {
      if (!open.empty() && open.back().kind != 'b') open.pop_back();
    } else if (table != nullptr && Is(token, ",")) {
      if (table->at_field_start) return fault(token, "\",\" with no field before it");
      table->at_field_start = true;
    } else if (table != nullptr && Is(token, ";")) {
      if (++table->semicolons > 1) return fault(token, "a second \";\" in one constructor");
      table->at_field_start = true;
    } else if (token.kind == TokenKind::kName) {
      const int effect = Nesting::BlockEffect(token.text);
      if (effect > 0) {
        Frame frame;
        frame.kind = 'b';
        open.push_back(frame);
      } else if (effect < 0 && !open.empty() && open.back().kind == 'b') {
        open.pop_back();
      }
    }
  }
  return {};
}

}  // namespace kelvane::test_support
