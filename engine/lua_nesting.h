// The constructs open at a point of a Lua text: brackets, and the blocks that
// "function", "if", "do" and "repeat" open and "end" and "until" close. The
// scans that must tell a ";" between table fields from one that ends a
// statement (the clean-up, the blank-line look-ahead, the meaning check) all
// keep one.
#pragma once

#include <string>
#include <string_view>

namespace kelvane {

class Nesting {
 public:
  // "{", "(" or "[".
  void Open(char bracket) { open_.push_back(bracket); }
  // "}", ")" or "]", or a block's end; more closers than openers close nothing.
  void Close() {
    if (!open_.empty()) open_.pop_back();
  }
  // A whole word of the code: a block keyword opens or closes a block.
  void Word(std::string_view word) {
    switch (BlockEffect(word)) {
      case 1:
        open_.push_back('b');
        break;
      case -1:
        Close();
        break;
      default:
        break;
    }
  }
  // Whether the innermost open construct is a table constructor: a ";" there
  // separates fields, anywhere else it ends a statement.
  bool InTable() const { return !open_.empty() && open_.back() == '{'; }

  // 1 for a keyword that opens a block, -1 for one that closes one, else 0.
  static int BlockEffect(std::string_view word) {
    switch (word.size()) {
      case 2:
        return word == "if" || word == "do" ? 1 : 0;
      case 3:
        return word == "end" ? -1 : 0;
      case 5:
        return word == "until" ? -1 : 0;
      case 6:
        return word == "repeat" ? 1 : 0;
      case 8:
        return word == "function" ? 1 : 0;
      default:
        return 0;
    }
  }

 private:
  std::string open_;  // '{', '(', '[', or 'b' for a block
};

}  // namespace kelvane
