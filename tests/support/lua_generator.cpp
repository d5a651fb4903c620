// Lua-like text from a seed. Realistic texts are built from statements,
// expressions and table constructors with random layout; chaotic texts are
// random runs of fragments. To cover a new construct, add it to one of the
// fragment tables or to the statement switch.

#include "tests/support/lua_generator.h"

#include <array>
#include <random>
#include <string_view>

#include "engine/char_class.h"

namespace kelvane::test_support {
namespace {

constexpr std::string_view kKeywords[] = {
    "if",    "then", "do", "end", "function", "for",    "while", "repeat", "until", "return",
    "local", "and",  "or", "not", "else",     "elseif", "in",    "nil",    "true",  "global"};

constexpr std::string_view kNames[] = {"a",     "b",     "x",     "y",   "n",   "t",
                                       "speed", "Rules", "names", "_v1", "obj", "f2"};

constexpr std::string_view kNumbers[] = {"0",      "1",      "2",    "10",   "1.50",  "-0.75",
                                         ".5",     "2.5E-3", "1e-5", "10.0", "0.000", "3.25",
                                         "1.0500", "100",    "2.0",  "1.05"};

constexpr std::string_view kBinaryOperators[] = {
    "+", "-", "*", "/", "^", "..", "==", "~=", "<", ">", "<=", ">=", "and", "or"};

constexpr std::string_view kTokenLike[] = {"@a0a@", "@qdq@", "@c0c@", "@tet@",
                                           "@s1s@", "@i0i@", "@qsq@", "@a1a@"};

// The fragments of chaotic text: every character and word the passes treat
// specially, and a few short combinations of them.
constexpr std::string_view kFragments[] = {
    "{",        "}",      "(",      ")",      "[",     "]",      "\"",    "'",    "--",   "=",
    ",",        ";",      "+",      "-",      "*",     "/",      "^",     "<",    ">",    "~",
    ".",        "\\",     "\t",     "\n",     "\r",    " ",      "  ",    "0",    "7",    "@",
    "x",        "name",   "1.50",   "-0.75",  ".5",    "2.5E-3", "if",    "then", "do",   "end",
    "function", "for",    "while",  "repeat", "until", "return", "local", "and",  "or",   "not",
    "else",     "elseif", "end;",   "end,",   "[[",    "]]",     "\\\"",  "==",   "~=",   "..",
    "\r\n",     "=\n",    "\v",     "\f",     "\xa0",  "\xe9",   "1.",    "...",  "%",    "#",
    ":",        "--[[",   "]]--",   "0x1F",   "e",     "1e+5",   "};",    "},",   "{}",   "( )",
    "[ ]",      "do\n",   "then\n", "\t\t",   "@a",    "a@",     "@@",    "_",    "\\\\", "\\'",
    "\\[\\[",   "\\]\\]", "$1",     "$&",     "2^-3",  "{a} + 1"};

class Generator {
 public:
  Generator(uint64_t seed, const GeneratorOptions& options)
      : random_(seed), options_(options), crlf_(Chance(3)) {}

  std::string Run() {
    if (options_.style == GeneratedStyle::kChaotic) {
      while (out_.size() < options_.target_size) Chaos();
    } else {
      if (Chance(8)) Space();  // leading white space or blank lines
      while (out_.size() < options_.target_size) Statement(0);
      if (Chance(6)) out_.pop_back();  // no final line end
    }
    return std::move(out_);
  }

 private:
  // A number in [0, n), the same on every platform (unlike the standard
  // distributions, whose results are implementation-defined).
  size_t Pick(size_t n) { return static_cast<size_t>(random_() % n); }
  bool Chance(size_t one_in) { return Pick(one_in) == 0; }
  template <size_t N>
  std::string_view PickOf(const std::string_view (&table)[N]) {
    return table[Pick(N)];
  }

  // Tokens that would run into each other get a space between them: a "["
  // before a long string ("t[ [[k]] ]"), a point after a numeral or another
  // point ("1 .. x", ".. .5"), a word after a word (".5 and").
  void Emit(std::string_view text) {
    if (!out_.empty() && !text.empty()) {
      const char last = out_.back();
      const char next = text.front();
      if ((last == '[' && next == '[') || ((IsDigit(last) || last == '.') && next == '.') ||
          (IsWord(last) && IsWord(next))) {
        out_ += ' ';
      }
    }
    out_ += text;
  }

  // White space between tokens: mostly one space, sometimes none or a run.
  void Space() {
    switch (Pick(12)) {
      case 0:
        break;
      case 1:
        Emit("  ");
        break;
      case 2:
        Emit("\t");
        break;
      case 3:
        LineEnd();
        break;
      case 4:
        Emit(" \t ");
        break;
      default:
        Emit(" ");
    }
  }
  // Where some white space is required.
  void SomeSpace() {
    if (Chance(10))
      LineEnd();
    else
      Emit(Chance(8) ? "  " : " ");
  }
  void LineEnd() { Emit(crlf_ ? "\r\n" : "\n"); }
  void Indent(int depth) {
    for (int i = 0; i < depth; ++i) Emit(Chance(5) ? "  " : "\t");
  }

  void Name() {
    Emit(PickOf(kNames));
    if (Chance(8)) Emit(std::to_string(Pick(20)));
  }

  void StringLiteral() {
    const size_t kind = Pick(9);
    switch (kind) {
      case 0:
        Emit("\"go\"");
        break;
      case 1:
        Emit("\"a b\"");
        break;
      case 2:
        Emit("'q'");
        break;
      case 3:
        Emit(Chance(2) ? "\"say \\\"hi\\\"\"" : "'it\\'s'");
        break;
      case 4:
        Emit(Chance(2) ? "[[long\nstring]]" : "[[ a [[ b ]] c ]]");
        break;
      // A string holding "--" or ending in an escaped backslash pairs its
      // quotes wrongly and derails the rest of the text: keep them rare.
      case 5:
        if (Chance(4))
          Emit(Chance(2) ? "\"a--b\"" : "\"c:\\dir\\\\\"");
        else
          Emit("\"c:/dir/\"");
        break;
      case 6:
        Emit(Chance(2) ? "\"$& $$ $1\"" : "'{ x = 1 }'");
        break;
      case 7:
        Emit(options_.token_like_text ? "\"@qdq@ @c0c@\"" : "\"(a, b)\"");
        break;
      default:
        Emit("\"x, y = 1.50;\"");
    }
  }

  void Comment() {
    if (options_.avoid_unmended_faults) return;
    Emit("--");
    switch (Pick(5)) {
      case 0:
        Emit(" note");
        break;
      case 1:
        Emit(" it's \"quoted\"");
        break;
      case 2:
        Emit(" version 2.0;");
        break;
      case 3:
        Emit(options_.token_like_text ? " @qdq@ @s0s@" : " x = { 1 }");
        break;
      default:
        Emit(" AI settings");
    }
  }

  void Atom(int depth) {
    switch (Pick(options_.token_like_text ? 15 : 14)) {
      case 0:
      case 1:
      case 2:
      case 3:
        Name();
        break;
      case 4:
      case 5:
      case 6:
        Emit(PickOf(kNumbers));
        break;
      case 7:
        StringLiteral();
        break;
      case 8:
      case 9:
        Call(depth);
        break;
      case 10:
        Name();
        Emit("[");
        Expression(depth + 1);
        Emit("]");
        break;
      case 11:
        Emit("(");
        Expression(depth + 1);
        Emit(")");
        break;
      case 12:
        if (depth < 2)
          Table(depth + 1);
        else
          Emit("{}");
        break;
      case 13:
        Emit(Chance(2) ? "not " : "-");
        Name();
        break;
      default:
        Emit(PickOf(kTokenLike));
    }
  }

  void Expression(int depth) {
    Atom(depth);
    while (depth < 4 && Chance(3)) {
      Space();
      const std::string_view op = PickOf(kBinaryOperators);
      Emit(op);
      Space();
      Atom(depth + 1);
    }
  }

  void Call(int depth) {
    Name();
    if (Chance(4)) {
      Emit(Chance(2) ? ":" : ".");
      Name();
    }
    if (Chance(6)) Space();
    Emit("(");
    size_t arguments = Pick(4);
    for (size_t i = 0; i < arguments; ++i) {
      if (i > 0) {
        Emit(",");
        Space();
      }
      Expression(depth + 1);
    }
    Emit(")");
  }

  void Table(int depth) {
    Emit("{");
    size_t entries = Pick(5);
    if (entries == 0 && Chance(2)) Space();
    for (size_t i = 0; i < entries; ++i) {
      Space();
      switch (Pick(6)) {
        case 0:
        case 1:
          Name();
          Space();
          Emit("=");
          Space();
          Expression(depth);
          break;
        case 2:
          Emit("[");
          Expression(depth);
          Emit("]");
          Space();
          Emit("=");
          Space();
          Expression(depth);
          break;
        case 3:
          if (depth < 4)
            Table(depth + 1);
          else
            Emit("1");
          break;
        case 4:
          Name();
          Emit(" = function(");
          Name();
          Emit(")");
          if (Chance(2)) {
            Emit(" return ");
            Expression(depth);
            Emit(" end");
          } else {
            Body(depth);
            Emit("end");
          }
          break;
        default:
          Expression(depth);
      }
      if (i + 1 < entries) {
        Space();
        Emit(Chance(6) ? ";" : ",");
      } else if (Chance(3)) {
        Emit(",");
      }
      if (Chance(8)) {
        Emit(" ");
        Comment();
        LineEnd();
      }
    }
    Space();
    Emit("}");
  }

  void Condition(int depth) { Expression(depth + 1); }

  void Body(int depth) {
    LineEnd();
    size_t statements = Pick(3) + (depth < 3 ? 1 : 0);
    for (size_t i = 0; i < statements && depth < 4; ++i) Statement(depth + 1);
    Indent(depth);
  }

  void FunctionHead() {
    switch (Pick(5)) {
      case 0:
        Emit("function a.b");
        break;
      case 1:
        Emit("function o:m");
        break;
      case 2:
        Emit("local function ");
        Name();
        break;
      default:
        Emit("function ");
        Name();
    }
    Emit("(");
    if (Chance(2)) {
      Name();
      Emit(",");
      Space();
      Name();
    }
    Emit(")");
  }

  void Statement(int depth) {
    Indent(depth);
    switch (Pick(20)) {
      case 0:
      case 1:
        Name();
        Space();
        Emit("=");
        Space();
        Expression(depth);
        break;
      case 2:
      case 3:
        Name();
        Space();
        Emit("=");
        Space();
        Table(depth);
        break;
      case 4:
        Call(depth);
        break;
      case 5:
        FunctionHead();
        Body(depth);
        Emit(Chance(3) ? "end;" : "end");
        break;
      case 6:
        Emit("if ");
        Condition(depth);
        Emit(" then");
        Body(depth);
        if (Chance(3)) {
          Emit("elseif ");
          Condition(depth);
          Emit(" then");
          Body(depth);
        }
        if (Chance(3)) {
          Emit("else");
          Body(depth);
        }
        Emit("end");
        break;
      case 7:
        Emit("for i = 1, ");
        Expression(depth);
        if (Chance(3)) Emit(", 2");
        Emit(" do");
        Body(depth);
        Emit("end");
        break;
      case 8:
        Emit("for k, v in pairs(");
        Name();
        Emit(") do");
        Body(depth);
        Emit("end");
        break;
      case 9:
        Emit("while ");
        Condition(depth);
        Emit(" do");
        Body(depth);
        Emit("end");
        break;
      case 10:
        Emit("repeat");
        Body(depth);
        Emit("until ");
        Condition(depth);
        break;
      case 11:
        Emit("do");
        Body(depth);
        Emit("end");
        break;
      case 12:
        Emit("return");
        SomeSpace();
        Expression(depth);
        break;
      case 13:
        Emit("local ");
        Name();
        if (Chance(2)) {
          Emit(", ");
          Name();
        }
        Emit(" = ");
        Expression(depth);
        break;
      case 14:
        Comment();
        break;
      case 15:
        Name();
        Emit(" = ");
        Name();
        Emit(" or ");
        Table(depth);
        break;
      case 16:
        Name();
        Emit(Chance(2) ? "." : ":");
        Name();
        Emit(Chance(2) ? " = " : "=");
        Expression(depth);
        break;
      case 17:
        Name();
        Emit("[");
        Expression(depth);
        Emit("] = ");
        Expression(depth);
        break;
      default:
        Unusual(depth);
    }
    if (Chance(10) && !options_.avoid_unmended_faults) Emit(";");
    if (Chance(6)) {
      Emit(" ");
      Comment();
    }
    LineEnd();
    if (Chance(12)) LineEnd();
  }

  // Rarer but valid shapes: Lua 4 upvalues, calls with a table or a string,
  // varargs, hexadecimal numbers, a table followed by an operator.
  void Unusual(int depth) {
    switch (Pick(8)) {
      case 0:
        Emit("y = %");
        Name();
        break;
      case 1:
        Call(depth);
        Emit("{");
        Expression(depth);
        Emit("}");
        break;
      case 2:
        Name();
        Emit("\"text\"");
        break;
      case 3:
        Emit("function v(...) return arg end");
        break;
      case 4:
        Emit("x = 0x1F + 1.");
        break;
      case 5:
        Emit("x = {a} + 1");
        break;
      case 6:
        Emit(options_.avoid_unmended_faults ? "a.b.c:d(1)" : "a.b.c:d(1) ; ;");
        break;
      default:
        Emit("x = 1e+5 * 2^-3 .. \"\"");
        break;
    }
  }

  // A surplus "}" stops the run at the brace loop's guard, so that none of
  // the later passes would see the text: a "}" with no "{" open is mostly
  // left out.
  void Chaos() {
    if (options_.token_like_text && Chance(25)) {
      Emit(PickOf(kTokenLike));
    } else if (Chance(5)) {
      Emit(PickOf(kKeywords));
    } else {
      std::string_view fragment = PickOf(kFragments);
      int balance = open_braces_;
      for (char c : fragment) balance += c == '{' ? 1 : c == '}' ? -1 : 0;
      if (balance < 0 && !Chance(20)) return;
      open_braces_ = balance;
      Emit(fragment);
    }
    if (Chance(3)) Emit(" ");
  }

  std::mt19937_64 random_;
  GeneratorOptions options_;
  bool crlf_;
  int open_braces_ = 0;  // "{" minus "}" emitted so far, chaotic texts only
  std::string out_;
};

// Programs that Lua 5.1 compiles. Statements and expressions nest to a small
// depth; every string, comment and separator is one of the shapes that real
// files showed to be easy to format wrongly.
// What the generators of valid programs share: the random source, the size
// to reach, and the text so far.
class ProgramText {
 protected:
  ProgramText(uint64_t seed, size_t target) : random_(seed), target_(target) {}

  size_t Below(size_t n) { return static_cast<size_t>(random_() % n); }
  bool Chance(size_t n) { return Below(n) == 0; }
  template <size_t N>
  std::string_view Pick(const std::string_view (&items)[N]) {
    return items[Below(N)];
  }
  void Emit(std::string_view text) { out_.append(text); }

  std::mt19937_64 random_;
  size_t target_;
  std::string out_;
};

class ValidProgramGenerator : ProgramText {
 public:
  ValidProgramGenerator(uint64_t seed, size_t target) : ProgramText(seed, target) {}

  std::string Run() {
    const int line_end = static_cast<int>(Below(8));
    while (out_.size() < target_) Statement(0, /*vararg=*/true);
    if (line_end == 0) return Replaced("\n", "\r\n");
    if (line_end == 1) return Replaced("\n", "\r");
    return std::move(out_);
  }

 private:
  static constexpr std::string_view kStrings[] = {
      "\"--\"",         "\"a--b\"",        "\"http://x--y\"", "\"\\\\\"",           "'\"'",
      "\"'\"",          "\"c-d\"",         "\"3.0.1\"",       "\"%.2f\"",           "\"1..9\"",
      "\"@c0c@\"",      "\"@qdq@ @a0a@\"", "'it\\'s'",        "\"say \\\"hi\\\"\"", "[[a[1]-b]]",
      "[==[ a]]b ]==]", "[[\nint a;\n]]",  "[[\n\tx]]",       "[[a\n\n\nb]]",       "\"127.0.0.1\"",
      "\"1e-5\"",       "\"x = 1.0;\"",    "'\\\\'",          "[=[--[[ ]=]",        "\"a\\\nb\""};
  static constexpr std::string_view kNumbersValid[] = {"0",    "1",    "2.50", ".5",   "1e-5",
                                                       "10.0", "0x1F", "3",    "1.05", "2E+3"};
  static constexpr std::string_view kNames[] = {"a", "b", "x", "speed", "Rules", "t", "n"};
  static constexpr std::string_view kOperators[] = {
      "+", "-", "*", "/", "^", "..", "==", "~=", "<", ">", "<=", ">=", "and", "or", "%"};
  static constexpr std::string_view kComments[] = {"-- note",
                                                   "-- it's \"quoted\"",
                                                   "-- 1.50;",
                                                   "--[[ block ]]",
                                                   "--[[ two\nlines \"q\" ]]",
                                                   "--[==[ level ]] ]==]",
                                                   "-- @c0c@ @s0s@",
                                                   "--"};

  std::string Replaced(std::string_view from, std::string_view to) {
    std::string result;
    for (char c : out_) {
      if (c == from[0]) {
        result.append(to);
      } else {
        result.push_back(c);
      }
    }
    return result;
  }

  // A comment, then the line end that a line comment needs.
  void Comment() {
    Emit(" ");
    Emit(Pick(kComments));
    Emit("\n");
  }

  void Expression(int depth, bool vararg) {
    const size_t choice = depth > 2 ? Below(4) : Below(13);
    switch (choice) {
      case 0:
        Emit(Pick(kNumbersValid));
        break;
      case 1:
        Emit(Pick(kStrings));
        break;
      case 2:
        Emit(Pick(kNames));
        break;
      case 3:
        Emit(vararg ? "..." : "nil");
        break;
      case 4:
        Table(depth + 1, vararg);
        break;
      case 5:
        Call(depth + 1, vararg);
        break;
      case 6:
        Emit("(");
        Expression(depth + 1, vararg);
        Emit(" ");
        Emit(Pick(kOperators));
        // A comment inside an expression, with the rest on the next line.
        if (Chance(4))
          Comment();
        else
          Emit(" ");
        Expression(depth + 1, vararg);
        Emit(")");
        break;
      case 7:
        // "-(...)": a minus before a minus would start a comment.
        Emit(Chance(2) ? "-(" : "not (");
        Expression(depth + 1, vararg);
        Emit(")");
        break;
      case 8:
        Emit(Pick(kNames));
        Emit("[(");
        Expression(depth + 1, vararg);
        Emit(")]");
        break;
      case 9:
        Emit(Pick(kNames));
        Emit("[ [[k]] ]");
        break;
      case 10:
        Function(depth + 1, "");
        break;
      case 11:
        Emit("#");
        Emit(Pick(kNames));
        break;
      default:
        Emit(Pick(kNames));
        Emit(" and (");
        Expression(depth + 1, vararg);
        Emit(")");
        break;
    }
  }

  void Arguments(int depth, bool vararg) {
    Emit("(");
    const size_t count = Below(3);
    for (size_t i = 0; i < count; ++i) {
      if (i > 0) Emit(Chance(5) ? " --c\n, " : ", ");
      Expression(depth, vararg);
    }
    if (Chance(6)) Comment();
    Emit(")");
  }

  void Call(int depth, bool vararg) {
    Emit(Pick(kNames));
    switch (Below(6)) {
      case 0:
        Emit(":m");
        Arguments(depth, vararg);
        break;
      case 1:
        Emit(Pick(kStrings));
        break;
      case 2:
        Table(depth, vararg);
        break;
      case 3:
        Emit("\"x\" ");
        Arguments(depth, vararg);
        break;  // a call of a call
      default:
        Arguments(depth, vararg);
        break;
    }
  }

  void Table(int depth, bool vararg) {
    Emit("{");
    const size_t count = depth > 2 ? Below(2) : Below(4);
    for (size_t i = 0; i < count; ++i) {
      if (i > 0) Emit(Chance(3) ? ";" : ",");
      if (Chance(5))
        Comment();
      else
        Emit(Chance(2) ? " " : "\n  ");
      switch (Below(3)) {
        case 0:
          Emit(Pick(kNames));
          Emit(" = ");
          break;
        case 1:
          Emit("[(");
          Expression(depth + 1, vararg);
          Emit(")] = ");
          break;
        default:
          break;
      }
      Expression(depth + 1, vararg);
    }
    if (count > 0 && Chance(3)) Emit(Chance(2) ? "," : ";");
    if (Chance(5)) Comment();
    Emit("}");
  }

  void Block(int depth, bool vararg) {
    const size_t count = 1 + Below(3);
    for (size_t i = 0; i < count; ++i) Statement(depth, vararg);
  }

  // A function statement ("function f", "local function f") when `head` is
  // not empty, otherwise a function expression.
  void Function(int depth, std::string_view head) {
    const bool vararg = Chance(2);
    Emit(head);
    Emit("function");
    if (!head.empty()) {
      Emit(" ");
      Emit(Pick(kNames));
    }
    Emit(vararg ? "(a, ...)" : "(a, b)");
    Emit("\n");
    Block(depth + 1, vararg);
    if (Chance(2)) {
      Emit("return ");
      Expression(depth + 1, vararg);
      Emit("\n");
    }
    Emit("end");
  }

  void Statement(int depth, bool vararg) {
    const size_t choice = depth > 2 ? Below(3) : Below(12);
    switch (choice) {
      case 0:
        Emit(Pick(kNames));
        Emit(" = ");
        Expression(depth, vararg);
        break;
      case 1:
        Call(depth, vararg);
        break;
      case 2:
        Emit("local ");
        Emit(Pick(kNames));
        Emit(", b = ");
        Expression(depth, vararg);
        Emit(", ");
        Expression(depth, vararg);
        break;
      case 3:
        Function(depth, Chance(2) ? "local " : "\n");
        break;
      case 4:
        Emit("if ");
        Expression(depth, vararg);
        Emit(" then\n");
        Block(depth + 1, vararg);
        if (Chance(2)) {
          Emit("elseif ");
          Expression(depth, vararg);
          Emit(" then\n");
          Block(depth + 1, vararg);
        }
        if (Chance(2)) {
          Emit("else\n");
          Block(depth + 1, vararg);
        }
        Emit("end");
        break;
      case 5:
        Emit("for i = ");
        Expression(depth, vararg);
        Emit(", n / 2");
        if (Chance(2)) Emit(", 2");
        Emit(" do\n");
        Block(depth + 1, vararg);
        Emit("end");
        break;
      case 6:
        Emit("for k, v in pairs(t) do\n");
        Block(depth + 1, vararg);
        Emit("end");
        break;
      case 7:
        Emit("while ");
        Expression(depth, vararg);
        Emit(" do\n");
        Block(depth + 1, vararg);
        Emit("end");
        break;
      case 8:
        Emit("repeat\n");
        Block(depth + 1, vararg);
        Emit("until ");
        Expression(depth, vararg);
        break;
      case 9:
        Emit("do\n");
        Block(depth + 1, vararg);
        Emit("end");
        break;
      case 10:
        Emit("x = f\n;(f)()");
        break;  // a statement that starts with "("
      default:
        Emit("s = \"a\" -- first\n  .. \"b\"");
        break;
    }
    if (Chance(4)) Emit(";");
    if (Chance(5))
      Comment();
    else
      Emit("\n");
  }
};

// Lua 4.0: no block comments, no "#", no "%" operator ("%x" is an upvalue),
// no "local function", no level long strings; long strings nest; a table
// constructor holds at most one ";", between a list part and a record part.
class Lua40Generator : ProgramText {
 public:
  Lua40Generator(uint64_t seed, size_t target) : ProgramText(seed, target) {}

  std::string Run() {
    const bool crlf = Chance(3);
    while (out_.size() < target_) Statement(0);
    if (!crlf) return std::move(out_);
    std::string result;
    for (const char c : out_) {
      if (c == '\n') result += '\r';
      result += c;
    }
    return result;
  }

 private:
  static constexpr std::string_view kNames[] = {"a", "speed", "Rules", "t", "n", "hp", "x"};
  static constexpr std::string_view kNumbers[] = {"0",    "1",    "2.50", ".5",
                                                  "1e-5", "10.0", "3",    "1.05"};
  static constexpr std::string_view kStrings[] = {
      "\"go\"",           "'it\\'s'",          "\"a--b\"",           "\"3.0.1\"",
      "[[long\nstring]]", "[[ a [[ b ]] c ]]", "\"say \\\"hi\\\"\"", "\"c:\\\\dir\\\\\""};
  static constexpr std::string_view kOperators[] = {
      "+", "-", "*", "/", "^", "..", "==", "~=", "<", ">", "<=", ">=", "and", "or"};

  void Comment() {
    Emit(Chance(2) ? " -- note" : " -- 1.50; {x}");
    Emit("\n");
  }

  void Expression(int depth) {
    switch (depth > 2 ? Below(3) : Below(8)) {
      case 0:
        Emit(Pick(kNumbers));
        break;
      case 1:
        Emit(Pick(kStrings));
        break;
      case 2:
        Emit(Pick(kNames));
        break;
      case 3:
        Table(depth + 1);
        break;
      case 4:
        Emit(Pick(kNames));
        Emit("(");
        Expression(depth + 1);
        Emit(")");
        break;
      case 5:
        Emit("(");
        Expression(depth + 1);
        Emit(" ");
        Emit(Pick(kOperators));
        Emit(" ");
        Expression(depth + 1);
        Emit(")");
        break;
      case 6:
        Emit("function(a, b)\n");
        Emit("  return %Globals + a\n");
        Emit("end");
        break;
      default:
        Emit("-");
        Emit(Pick(kNumbers));
        break;
    }
  }

  // A list part or a record part, with or without a trailing comma.
  void Part(int depth, bool record) {
    const size_t count = 1 + Below(3);
    for (size_t i = 0; i < count; ++i) {
      if (i > 0) Emit(",");
      if (Chance(5))
        Comment();
      else
        Emit(Chance(2) ? " " : "\n  ");
      if (record) {
        if (Chance(4)) {
          Emit("[ ");
          Emit(Pick(kStrings));
          Emit(" ] = ");
        } else {
          Emit(Pick(kNames));
          Emit(" = ");
        }
      }
      Expression(depth + 1);
    }
    if (Chance(3)) Emit(",");
  }

  void Table(int depth) {
    Emit("{");
    switch (depth > 2 ? Below(2) : Below(5)) {
      case 0:
        break;
      case 1:
        Part(depth, Chance(2));
        break;
      case 2:
        Part(depth, false);
        Emit(Chance(2) ? ";" : " ;\n");
        Part(depth, true);
        break;
      case 3:
        Part(depth, true);
        Emit(";");
        if (Chance(5)) Comment();
        Part(depth, false);
        break;
      default:
        Part(depth, Chance(2));
        Emit(";");
        break;
    }
    if (Chance(5)) Comment();
    Emit("}");
  }

  void Block(int depth) {
    for (size_t count = 1 + Below(3); count > 0; --count) Statement(depth);
  }

  void Statement(int depth) {
    switch (depth > 2 ? Below(3) : Below(11)) {
      case 0:
        Emit(Pick(kNames));
        Emit(" = ");
        Expression(depth);
        break;
      case 1:
        Emit(Pick(kNames));
        Emit(Chance(2) ? "(1)" : "{1}");
        break;
      case 2:
        // A function's body reaches no local outside it (but by "%"): the
        // names of locals are used nowhere else.
        Emit("local l1, l2 = ");
        Expression(depth);
        Emit(", 2");
        break;
      case 3:
        Emit("\nfunction ");
        Emit(Chance(3) ? "Unit:Move" : Chance(2) ? "ai.think" : "Init");
        Emit("(p)\n");
        Block(depth + 1);
        Emit("end\n");
        break;
      case 4:
        Emit("if ");
        Expression(depth);
        Emit(" then\n");
        Block(depth + 1);
        if (Chance(2)) {
          Emit("else\n");
          Block(depth + 1);
        }
        Emit("end");
        break;
      case 5:
      case 6:
      case 7:
      case 8: {
        constexpr std::string_view kLoops[][2] = {{"for i = 1, 10 do\n", "end"},
                                                  {"for k, v in t do\n", "end"},
                                                  {"while x do\n", "end"},
                                                  {"repeat\n", "until x"}};
        const auto& loop = kLoops[Below(std::size(kLoops))];
        Emit(loop[0]);
        Block(depth + 1);
        Emit(loop[1]);
        break;
      }
      default:
        Emit(Pick(kNames));
        Emit(" = ");
        Table(depth + 1);
        break;
    }
    if (Chance(4)) Emit(";");
    if (Chance(6))
      Comment();
    else
      Emit("\n");
  }
};

}  // namespace

std::string GenerateLua(uint64_t seed, const GeneratorOptions& options) {
  if (options.style == GeneratedStyle::kValidProgram) {
    return ValidProgramGenerator(seed, options.target_size).Run();
  }
  if (options.style == GeneratedStyle::kValidLua40) {
    return Lua40Generator(seed, options.target_size).Run();
  }
  return Generator(seed, options).Run();
}

// Game data: settings tables, functions and method heads in the shapes our
// users' files have, and the adversarial shapes that would expose a
// super-linear pass. The benchmark's inputs; the same seed gives the same
// text on every platform.
namespace {
namespace game {

constexpr size_t kKiB = 1024;

// SplitMix64: tiny, fast and the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  size_t Below(size_t bound) { return static_cast<size_t>(Next() % bound); }
  bool OneIn(size_t n) { return Below(n) == 0; }
  template <size_t N>
  std::string_view Pick(const std::array<std::string_view, N>& items) {
    return items[Below(N)];
  }

 private:
  uint64_t state_;
};

constexpr std::array<std::string_view, 12> kUnits = {"Tank",    "Scout",  "Archer",  "Knight",
                                                     "Frigate", "Drone",  "Miner",   "Mage",
                                                     "Golem",   "Turret", "Carrier", "Rider"};
constexpr std::array<std::string_view, 12> kKeys = {"speed", "armor",  "range",  "damage",
                                                    "cost",  "decay",  "sight",  "regen",
                                                    "mass",  "reload", "weight", "bonus"};
constexpr std::array<std::string_view, 10> kNumbers = {"1.50", "-0.75", ".5",  "2.5E-3", "100",
                                                       "0.10", "3.0",   "-12", "1e+2",   "0.333"};
constexpr std::array<std::string_view, 8> kStrings = {
    "\"Heavy \\\"Tank\\\"\"", "\"line\\nbreak\"", "'it\\'s'",   "\"C:\\\\games\\\\data\"",
    "\"tab\\there\"",         "'plain'",          "\"a;b, c\"", "\"{braces}\""};
// The strings of the one-line input: no brace and no line end in them.
constexpr std::array<std::string_view, 4> kBracelessStrings = {"\"Heavy \\\"Tank\\\"\"", "'it\\'s'",
                                                               "\"C:\\\\games\"", "\"a;b, c\""};
constexpr std::array<std::string_view, 6> kComments = {
    "-- tuned after playtest 3",       "-- TODO: balance",   "--- values in metres",
    "-- keep in sync with the editor", "-- { not a table }", "-- x = 1.50"};
// Spacing as people type it: none, single, a TAB, or double.
constexpr std::array<std::string_view, 4> kGaps = {"", " ", "\t", "  "};

void AppendSetting(std::string& out, Random& random) {
  out += random.Pick(kKeys);
  out += random.Pick(kGaps);
  out += '=';
  out += random.Pick(kGaps);
  if (random.OneIn(4)) {
    out += random.Pick(kStrings);
  } else {
    out += random.Pick(kNumbers);
  }
}

// A settings table: entries, a nested table or two, a list, a comment.
void AppendSettingsTable(std::string& out, Random& random, size_t index) {
  out += random.Pick(kUnits);
  out += "Stats";
  out += std::to_string(index);
  out += " = {";
  const size_t entries = 2 + random.Below(5);
  for (size_t i = 0; i < entries; ++i) {
    if (i > 0) out += random.OneIn(3) ? ",\n\t" : ", ";
    AppendSetting(out, random);
  }
  out += ",\n  weapons = { primary = { ";
  AppendSetting(out, random);
  out += ", ";
  AppendSetting(out, random);
  out += " }, secondary = {";
  AppendSetting(out, random);
  out += "} },";
  if (random.OneIn(2)) {
    out += ' ';
    out += random.Pick(kComments);
    out += '\n';
  }
  out += "  tags = {\"unit\", ";
  out += random.Pick(kStrings);
  out += "; 'ground'},\n  spawn = {x=";
  out += random.Pick(kNumbers);
  out += ",y=";
  out += random.Pick(kNumbers);
  out += "}\n}\n";
}

// A global function with if/elseif/else, for, while and repeat blocks.
void AppendFunction(std::string& out, Random& random, size_t index) {
  std::string_view unit = random.Pick(kUnits);
  out += "function Update";
  out += unit;
  out += std::to_string(index);
  out += "(self, dt)\n";
  out += "  local t = self.";
  out += random.Pick(kKeys);
  out += "*dt+";
  out += random.Pick(kNumbers);
  out += "\n  if t>";
  out += random.Pick(kNumbers);
  out += " then self.state=\"busy\" elseif t<=0 then return nil else t=t/2 end\n";
  out += "  for i=1,getn(self.list) do\n    local e = self.list[i]\n";
  // "*", not "-": a minus before a negative number would start a comment.
  out += "    if e.hp~=0 and not e.dead then e.hp=e.hp*";
  out += random.Pick(kNumbers);
  out += " end\n  end\n";
  out += "  while t > 0 do t = t - 1 ";
  out += random.Pick(kComments);
  out += "\n  end\n";
  out += "  repeat t=t+1 until t>=10\n";
  out += "  return format(\"%s: %d\", self.name, t)\nend\n";
}

// A method head: opens no level, yet its "end" closes one.
void AppendMethod(std::string& out, Random& random) {
  out += "function ";
  out += random.Pick(kUnits);
  out += ':';
  out += random.Pick(kKeys);
  out += "(dt)\n  self.x = self.x + dt*";
  out += random.Pick(kNumbers);
  out += "\nend\n";
}

void AppendStatements(std::string& out, Random& random) {
  out += random.Pick(kComments);
  out += "\nlocal ";
  out += random.Pick(kKeys);
  out += " = ";
  out += random.Pick(kNumbers);
  out += ";\ncall(";
  out += random.Pick(kStrings);
  out += ", ";
  out += random.Pick(kNumbers);
  out += ")\n";
}

}  // namespace game
}  // namespace

std::string GenerateGameLua(size_t target_size, uint64_t seed) {
  game::Random random(seed);
  std::string out;
  out.reserve(target_size + 1024);
  out += "-- Generated game data for the benchmark.\n";
  for (size_t index = 0; out.size() < target_size; ++index) {
    const size_t kind = random.Below(10);
    if (kind < 5) {
      game::AppendSettingsTable(out, random, index);
    } else if (kind < 8) {
      game::AppendFunction(out, random, index);
    } else if (kind < 9) {
      game::AppendStatements(out, random);
    } else {
      game::AppendMethod(out, random);
    }
  }
  return out;
}

std::string GenerateSettingsTable(size_t target_size) {
  game::Random random(17);
  std::string out;
  out.reserve(target_size + 1024);
  out += "-- One settings table for the benchmark.\nSettings = {\n";
  for (size_t index = 0; out.size() < target_size; ++index) {
    game::AppendSettingsTable(out, random, index);
    out.back() = ',';  // an entry of the outer table, not a statement
    out += '\n';
  }
  out += "}\n";
  return out;
}

std::string GenerateOneLongLine(size_t target_size) {
  game::Random random(7);
  std::string out;
  out.reserve(target_size + 256);
  while (out.size() < target_size) {
    out += "x";
    out += std::to_string(random.Below(1000));
    out += "=a*";
    out += random.Pick(game::kNumbers);
    out += "+f(b, c[2], ";
    out += random.Pick(game::kBracelessStrings);
    out += ")-d/.5; if x then y=1 end ";
  }
  return out;
}

std::string GenerateDeepTable(size_t target_size, size_t depth) {
  std::string out;
  out.reserve(target_size + 64 * game::kKiB);
  out += "Deep = ";
  out.append(depth, '{');
  out += "1.50";
  out.append(depth, '}');
  out += '\n';
  if (out.size() < target_size) out += GenerateGameLua(target_size - out.size(), 11);
  return out;
}

std::string GenerateAfterMethodHeads(size_t target_size, size_t min_lines) {
  game::Random random(13);
  std::string out;
  out.reserve(target_size + 256);
  for (int i = 0; i < 64; ++i) game::AppendMethod(out, random);
  size_t lines = 0;
  for (size_t index = 0; out.size() < target_size || lines < min_lines; ++index) {
    const size_t before = out.size();
    if (random.OneIn(3)) {
      game::AppendFunction(out, random, index);
    } else {
      game::AppendStatements(out, random);
    }
    for (size_t i = before; i < out.size(); ++i) lines += out[i] == '\n';
  }
  return out;
}

std::string GenerateLongChains(size_t target_size, size_t chain_length) {
  std::string out;
  out.reserve(target_size + 2 * chain_length + 16);
  while (out.size() < target_size) {
    out += "x = ";
    for (size_t i = 0; i < chain_length; ++i) out += "a.";
    out += "e+1\n";
  }
  return out;
}

}  // namespace kelvane::test_support
