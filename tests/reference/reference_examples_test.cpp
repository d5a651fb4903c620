// The reference against the worked examples of the formatting rules: single
// passes, runs of passes and whole runs, checked on the working text and on
// the tables of protected sequences.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/code_state.h"
#include "tests/reference/reference_loops.h"
#include "tests/reference/reference_stages.h"
#include "tests/support/pass_examples.h"
#include "tests/support/text_diff.h"

namespace kelvane::reference {
namespace {

// Row messages that bound the runs of passes used below.
constexpr const char kSingleSpaces[] = "\t\tReplacing whitespace with single spaces...";
constexpr const char kLoopHeads[] =
    "\t\tPutting \"for\" and \"while\" statements all on one line...";
constexpr const char kOpeners[] =
    "\t\tIndenting after \"function\", \"then\", \"repeat\" and \"do\"...";
constexpr const char kBlankAfter[] =
    "\t\tPlacing blank lines after code blocks with global scope...";
constexpr const char kOperators[] = "\t\tSurrounding most operators with single spaces...";
constexpr const char kEqualsAtEnd[] =
    "\t\tAdding a space before equal signs at the end of a line...";
constexpr const char kUnary[] = "\t\tBreaking unary operators onto new lines.";
constexpr const char kExponent[] = "\t\tRemove spaces from around the exponation operator...";
constexpr const char kStoredBrackets[] = "\t\tRemove spaces from around table indices...";
constexpr const char kLeftBraces[] = "\t\tBreaking before left table brackets, if not already...";
constexpr const char kRightBraces[] = "\t\tBreaking after right table brackets, if not already...";
constexpr const char kOutdentAll[] = "\t\tOutdenting every line...";
constexpr const char kZeroDecimals[] = "\t\tRemoving zero-value decimals...";
constexpr const char kTrailingZeros[] = "\t\tRemoving trailing zero-value decimals...";
constexpr const char kMissingZeros[] = "\t\tAdding missing zeros before decimals...";
constexpr const char kSemicolons[] = "\t\tRemoving semi-colons at the end of lines...";
constexpr const char kExponentSigns[] = "\t\tFixing natural logarithms...";
constexpr const char kDoubleBlank[] = "\t\tRemoving double-blank lines...";
constexpr const char kLeadingBlank[] = "\t\tRemoving blank lines at the beginning of the file...";
constexpr const char kFinalLineEnd[] =
    "\t\tAdding a blank line to the end of the file if not already...";
constexpr const char kCrLf[] = "\t\tReplacing all carriage returns...";
constexpr const char kStoreIndices[] = "\t\tReplacing table indices with gibberish...";

struct Range {
  const char* first;  // message of the first row to run (its first row)
  const char* last;   // message of the last row to run (its last row)
  size_t stage;       // the stage that holds both
};

constexpr Range kSpacing{kSingleSpaces, kLoopHeads, 2};
constexpr Range kBlocks{kOpeners, kBlankAfter, 2};
constexpr Range kCleanUp{kOutdentAll, kCrLf, 4};
constexpr Range kStoring{"\t\tRemoving all carriage returns...", kStoreIndices, 1};

Range Only(const char* message, size_t stage) { return {message, message, stage}; }

// Runs the rows of `range` (for kStoring, every row of stages 0 and 1).
void RunRange(CodeState& state, const Range& range, const FormatOptions& settings = {}) {
  PassContext context{state, settings};
  std::span<const Stage> stages = ReferenceStages();
  size_t first_stage = range.first == kStoring.first ? 0 : range.stage;
  bool running = false;
  for (size_t s = first_stage; s <= range.stage; ++s) {
    std::span<const PassRow> rows = stages[s].passes;
    for (size_t r = 0; r < rows.size(); ++r) {
      if (std::string_view(rows[r].message) == range.first) running = true;
      if (!running) continue;
      if (RowRuns(rows[r], settings)) rows[r].run(context);
      bool last_row_of_range = std::string_view(rows[r].message) == range.last &&
                               (r + 1 == rows.size() || rows[r + 1].message != rows[r].message);
      if (last_row_of_range && s == range.stage) return;
    }
  }
  ASSERT_FALSE(running) << "range not closed: " << test_support::Escape(range.last);
  FAIL() << "range not found: " << test_support::Escape(range.first);
}

using Row = test_support::PassExample;

// Runs `range` over every row's input and compares, naming the failing row.
void CheckRows(const Range& range, std::span<const Row> rows, FormatOptions settings = {}) {
  for (const Row& row : rows) {
    SCOPED_TRACE("input \"" + test_support::Escape(row.input) + "\"");
    CodeState state;
    state.text = std::string(row.input);
    RunRange(state, range, settings);
    EXPECT_EQ(test_support::Escape(state.text), test_support::Escape(row.expected));
  }
}

void CheckRows(const Range& range, std::initializer_list<Row> rows, FormatOptions settings = {}) {
  CheckRows(range, std::span<const Row>(rows.begin(), rows.size()), settings);
}

std::string WholeRun(std::string_view input, bool unix_end_of_line, bool strip = false) {
  FormatOptions settings;
  settings.UnixEndOfLine = unix_end_of_line;
  settings.StripComments = strip;
  ReferenceResult result = ReferenceProcessCode(std::string(input), settings);
  EXPECT_EQ(result.guard_message, nullptr);
  return result.text;
}

TEST(ReferenceExamplesTest, WholeRunOfTheExampleScript) {
  constexpr std::string_view kInput =
      "-- AI settings\nRules = { speed=1.50, names={\"a\",\"b\"}, f=function(x) return x*2 end }\n"
      "function Init(p)\n  if p>0 then print(\"go\") end\nend\n";
  constexpr std::string_view kExpected =
      "-- AI settings\t\n\nRules = \n{\n\tspeed = 1.5,\n\tnames = \n\t{\n\t\t\"a\",\n\t\t\"b\",\n"
      "\t},\n\tf = function(x)\t\n\t\treturn\n\t\tx * 2\n\tend,\n}\n\nfunction Init(p)\t\n"
      "\tif p > 0 then\t\n\t\tprint(\"go\")\n\tend\nend\n\n";
  EXPECT_EQ(test_support::Escape(WholeRun(kInput, true)), test_support::Escape(kExpected));
  std::string crlf;
  for (char c : kExpected) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(test_support::Escape(WholeRun(kInput, false)), test_support::Escape(crlf));
}

TEST(ReferenceExamplesTest, AuxiliaryOperations) {
  EXPECT_EQ(Indent("\nx\n"), "\t\n\tx\n\t");
  EXPECT_EQ(Outdent("\tx\n\t\ty\nz"), "x\n\ty\nz");
}

TEST(ReferenceExamplesTest, PreProcessingAndStoring) {
  CheckRows(kStoring,
            {
                {"", ""},
                {"\n\n\n", ""},
                {"a\r\nb\r\n", "a\nb\n"},
                {"x = 1\ry = 2", "x = 1y = 2\n"},
                {"\n\n\nx\n", "x\n"},
                {"  \nx\n", "  \nx\n"},
                {"x = 1 -- it's\ny = 'a'\n", "x = 1 @c0c@\ny = @s0s@\n"},
                {"s = \"a--b\"\nt = \"x\"\n", "s = @s0s@x\"\n"},
                {"s = \"a\\\\\"\nt = \"x y\"\n", "s = @s0s@x y\"\n"},
                {"x = {   }\ny = {\n}\n", "x = @tet@\ny = @tet@\n"},
                {"t = { -- c\n}\n", "t = { @c0c@\n}\n"},
                {"f(g(x))\n", "f@a1a@\n"},
                {"t[u[1]]\n", "t@i1i@\n"},
                {"-- demo\nt = { name = \"a b\", list = { }, f = g(x[1], 'q'), [k] = 1 }\n",
                 "@c0c@\nt = { name = @s0s@, list = @tet@, f = g@a0a@, @i0i@ = 1 }\n"},
            });
}

TEST(ReferenceExamplesTest, StoredTablesOfExamples) {
  CodeState state;
  state.text = "-- demo\nt = { name = \"a b\", list = { }, f = g(x[1], 'q'), [k] = 1 }\n";
  RunRange(state, kStoring);
  EXPECT_EQ(state.StringsTable, (std::vector<std::string>{"\"a b\"", "'q'"}));
  EXPECT_EQ(state.ArgumentsTable, std::vector<std::string>{"(x[1], @s1s@)"});
  EXPECT_EQ(state.IndicesTable, std::vector<std::string>{"[k]"});

  CodeState nested;
  nested.text = "x = [[ a [[ b ]] c ]]\nf(g(x))\nt[u[1]]\n";
  RunRange(nested, kStoring);
  EXPECT_EQ(nested.StringsTable, (std::vector<std::string>{"[[ b ]]", "[[ a @s0s@ c ]]"}));
  EXPECT_EQ(nested.ArgumentsTable, (std::vector<std::string>{"(x)", "(g@a0a@)"}));
  EXPECT_EQ(nested.IndicesTable, (std::vector<std::string>{"[1]", "[u@i0i@]"}));

  // With "-s" comments are deleted, nothing is stored and the count is -1.
  CodeState stripped;
  stripped.text = "x = 1 -- note\n";
  FormatOptions strip;
  strip.StripComments = true;
  RunRange(stripped, kStoring, strip);
  EXPECT_EQ(stripped.text, "x = 1 \n");
  EXPECT_TRUE(stripped.CommentsTable.empty());
  EXPECT_EQ(stripped.CommentsCount, -1);

  // A comment that fills the first line leaves it empty.
  CodeState first_line;
  first_line.text = "-- c\nx = 1\n";
  RunRange(first_line, kStoring, strip);
  EXPECT_EQ(first_line.text, "\nx = 1\n");
  EXPECT_EQ(first_line.CommentsCount, -1);
}

TEST(ReferenceExamplesTest, ProtectedSequencesComeBack) {
  const Row rows[] = {
      {"x = [[ a [[ b ]] c ]]\n", "x = [[ a [[ b ]] c ]]\n"},
      {"x = [[ t[1] ]]\n", "x = [[t[1]]]\n"},
      {"x = {   }\n", "x = {}\n"},
      {"f(g(x))\n", "f(g(x))\n"},
      {"s = \"$& $$ $1\"\n", "s = \"$& $$ $1\"\n"},
      {"a = 1 -- one\nb = 2 -- two\nc = 3 -- three\n",
       "a = 1\n-- one\t\t\t\nb = 2\n-- two\nc = 3\n-- three\n"},
      {"-- @qdq@ @s0s@\n", "-- @qdq@ @s0s@\t\n"},
      {"x = \"@qdq@\"\n", "x = \"\\\"\"\n"},
      {"x = \"@c0c@\"\n-- c\n", "x = \"-- c\"\n@c0c@\n"},
      // The escaped backslash's second half pairs with the quote: the string
      // runs on into the next line and "x y" is formatted as code.
      {"s = \"a\\\\\"\nt = \"x y\"\n", "s = \"a\\\\\"\nt = \"x\ny\"\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("input \"" + test_support::Escape(row.input) + "\"");
    EXPECT_EQ(test_support::Escape(WholeRun(row.input, true)), test_support::Escape(row.expected));
  }
  EXPECT_EQ(WholeRun("x = 1 -- note\n", true, true), "x = 1\n");
}

TEST(ReferenceExamplesTest, SpacingBreakingAndJoining) {
  CheckRows(kSpacing, test_support::kSpacingExamples);
  CheckRows(kSpacing, {
                          {"a\nand\nnot\nx\n", "\ta and not\n\tx\n"},
                          {"local\nfunction\nf@a0a@\n", "\tlocal function\n\tf@a0a@\n"},
                          {"x=a\nor\n{\n1 }\n", "\tx=a or {\n\t\t1\n\t}\n"},
                          {"for i=1,\n10,\n2\ndo\n", "\tfor i=1, 10, 2 do\n"},
                          // The engine joins these lines (M38, M41).
                          {"if a == 1 and not b then x = -1 end\n",
                           "\tif a==1 and not\n\tb then\n\tx=-1\n\tend\n"},
                          {"local a, b = 1, 2\n", "\tlocal a,\n\tb=1,\n\t2\n"},
                      });
}

TEST(ReferenceExamplesTest, SpacingRewritesStoredEntries) {
  const Row rows[] = {
      {"( a ,b )", "( a, b )"},
      {"(\ta ,\n\n b , c)", "( a, b, c)"},
      {"(a,)", "(a, )"},
      {"({ a = 1,\n b = 2 })", "({ a = 1, b = 2 })"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("entry \"" + test_support::Escape(row.input) + "\"");
    CodeState state;
    state.text = "f@a0a@\n";
    state.ArgumentsTable = {std::string(row.input)};
    state.IndicesTable = {std::string(row.input)};
    RunRange(state, kSpacing);
    EXPECT_EQ(state.text, "\tf@a0a@\n");
    EXPECT_EQ(test_support::Escape(state.ArgumentsTable[0]), test_support::Escape(row.expected));
    EXPECT_EQ(test_support::Escape(state.IndicesTable[0]), test_support::Escape(row.expected));
  }
}

// A surplus "}" after another one leaves the right-brace loop without
// progress; the guard stops it after its 10001st iteration.
TEST(ReferenceExamplesTest, RightBraceGuardFires) {
  FormatOptions settings;
  ReferenceResult result = ReferenceProcessCode("x = 1 } }\n", settings);
  ASSERT_NE(result.guard_message, nullptr);
  EXPECT_STREQ(result.guard_message,
               "Error: Was unable to break and outdent at every occurance of a right bracket.");
  EXPECT_EQ(ReferenceProcessCode("x = 1 }\n", settings).guard_message, nullptr);
}

// 10000 "{" complete; one more makes the left-brace guard fire.
TEST(ReferenceExamplesTest, LeftBraceGuardLimit) {
  CodeState state;
  state.text = std::string(kIterationLimit, '{');
  FormatOptions settings;
  PassContext context{state, settings};
  std::span<const PassRow> rows = ReferenceStages()[2].passes;
  rows[5].run(context);
  EXPECT_EQ(context.guard_message, nullptr);
  state.text = std::string(kIterationLimit + 1, '{');
  rows[5].run(context);
  EXPECT_STREQ(context.guard_message,
               "Error: Was unable to break and indent at every occurance of a left bracket.");
}

TEST(ReferenceExamplesTest, BlockIndentationAndPunctuation) {
  CheckRows(kBlocks, test_support::kBlockExamples);
  CheckRows(kBlocks, {
                         {"\tfunction f@a0a@\n\tx=1\n\tend;\n\ty=2\n",
                          "\n\tfunction f@a0a@\t\n\t\tx=1\n\tend;\n\ty=2\n"},
                         // The engine opens a block at a method head (M34).
                         {"\tfunction o:m@a0a@\n\tx=1\n\tend\n\tfunction g@a1a@\n\ty=1\n\tend\n",
                          "\n\tfunction o:m@a0a@\n\tx=1\nend\nfunction g@a1a@\t\n\ty=1\nend\n"},
                         // The engine keeps the ";" (KeepSemicolonsBetweenTables).
                         {"\tt=\n\t{\n\t\t{\n\t\t\t1\n\t\t}\n\t\t;\n\t\t{\n\t\t\t2\n\t\t}\n\t}\n",
                          "\n\tt=\n\t{\n\t\t{\n\t\t\t1,\n\t\t},\n\t\t{\n\t\t\t2,\n\t\t},\n\t}\n\n"},
                     });
}

TEST(ReferenceExamplesTest, OperatorSpacing) {
  CheckRows(Only(kOperators, 2), test_support::kOperatorExamples);
  CheckRows(Only(kOperators, 2), {
                                     {"\tt=\n\t{\n\t\t1,\n\t\t-2,\n\t\t+3,\n\t\tn=1.50,\n\t}\n",
                                      "\tt = {\n\t\t1, - 2, + 3,\n\t\tn = 1.50,\n\t}\n"},
                                 });
  CheckRows({kOperators, kUnary, 2},
            {
                {"\tt=\n\t{\n\t\t1,\n\t\t-2,\n\t\t+3,\n\t\tn=1.50,\n\t}\n",
                 "\tt = {\n\t\t1,\n\t\t - 2,\n\t\t + 3,\n\t\tn = 1.50,\n\t}\n"},
                {"\tx = 1\n", "\tx = 1\n"},
            });
  CheckRows({kOperators, kLeftBraces, 2},
            {
                {"\tt=\n\t{\n\t\t1,\n\t\t-2,\n\t\t+3,\n\t\tn=1.50,\n\t}\n",
                 "\tt = \n\t{\n\t\t1,\n\t\t - 2,\n\t\t + 3,\n\t\tn = 1.50,\n\t}\n"},
            });
  CheckRows(Only(kEqualsAtEnd, 2), {{"\tx =\n", "\tx  =\n"}});
  CheckRows({kOperators, kExponent, 2},
            {
                {"\tz=x\n\t^\n\t2\n", "\tz = x^2\n"},
                {"\t\tlocal n=p@i0i@\n\t\t+\n\t\tp@i1i@\n\t\t*\n\t\t2\n\t\t^\n\t\t3\n",
                 "\t\tlocal n = p@i0i@ + p@i1i@ * 2^3\n"},
            });
  CheckRows(Only(kUnary, 2),
            {
                {"\tt = { - 1,\n\t\t2,\n\t}\n", "\tt = {\n\t\t - 1,\n\t\t2,\n\t}\n"},
                {"\tt = {   - 1,\n", "\tt = {\n\t\t - 1,\n"},
                {"\t\t1, - 2, + 3, - 4,\n", "\t\t1,\n\t\t - 2,\n\t\t + 3,\n\t\t - 4,\n"},
                {"\tb = 1, - 2\n", "\tb = 1,\n\t - 2\n"},
                {"\ta = b - c, d\n", "\ta = b - c, d\n"},
            });
  CheckRows(Only(kLeftBraces, 2), {
                                      {"\t\t{\n", "\t\t{\n"},
                                      {"\ta = {b = {\n", "\ta = {b = \n\t{\n"},
                                      {"\tx =\n{\n", "\tx =\n\n\t{\n"},
                                  });
  CheckRows(Only(kRightBraces, 2), {
                                       {"\t} + 2\n", "\t}\n\t+ 2\n"},
                                       {"\t} .. z\n", "\t}\n\t.. z\n"},
                                       {"\tx = {a} + 1\n", "\tx = {a}\n+ 1\n"},
                                       {"\t},\n", "\t},\n"},
                                       {"\t} \n", "\t}\n\t\n"},
                                   });
}

TEST(ReferenceExamplesTest, OperatorSpacingOfStoredEntries) {
  struct EntryRow {
    Range range;
    std::string_view entry;
    std::string_view expected;
  };
  const EntryRow rows[] = {
      {Only(kOperators, 2), "(-1)", "( - 1)"},
      {{kOperators, kStoredBrackets, 2}, "(-1)", "(- 1)"},
      {{kOperators, kStoredBrackets, 2}, "[ 1 ]", "[1]"},
      {{kOperators, kStoredBrackets, 2}, "[-1]", "[- 1]"},
      {{kOperators, kStoredBrackets, 2}, "(...)", "(.. .)"},
      {{kOperators, kStoredBrackets, 2}, "(2^-3)", "(2^- 3)"},
      {Only(kStoredBrackets, 2), "( a, b )", "(a, b)"},
      {Only(kStoredBrackets, 2), "(t [ 1 ], f)", "(t[1], f)"},
  };
  for (const EntryRow& row : rows) {
    SCOPED_TRACE("entry \"" + test_support::Escape(row.entry) + "\"");
    CodeState state;
    state.text = "\tx\n";
    state.ArgumentsTable = {std::string(row.entry)};
    state.IndicesTable = {std::string(row.entry)};
    RunRange(state, row.range);
    EXPECT_EQ(state.ArgumentsTable[0], row.expected);
    EXPECT_EQ(state.IndicesTable[0], row.expected);
  }
}

TEST(ReferenceExamplesTest, CleanUp) {
  CheckRows(Only(kOutdentAll, 4), {{"\tx = 1\n\t\ty\n\nz\n", "x = 1\n\ty\n\nz\n"}});
  CheckRows(Only(kZeroDecimals, 4), {
                                        {"x = 1.0\n", "x = 1\n"},
                                        {"\t1.00,\n\t2.0,\n", "\t1,\n\t2,\n"},
                                        {"v = 10.0\n", "v = 10\n"},
                                        {"z =  - 0.000,\n", "z =  - 0,\n"},
                                        {"-- version 2.0\n", "-- version 2\n"},
                                        {"v = 1.05\n", "v = 1.05\n"},
                                        {"v = 1.0e5\n", "v = 1.0e5\n"},
                                        {"v = 1.0_\n", "v = 1.0_\n"},
                                        {"x = 1.0", "x = 1.0"},
                                        {"x1.0 y\n", "x1 y\n"},
                                        {"1.0.0\n", "1.0\n"},
                                    });
  CheckRows({kZeroDecimals, kMissingZeros, 4}, {
                                                   {"a.05\n", "a.05\n"},
                                                   {"x = .50\n", "x = 0.50\n"},
                                                   {"x = .0\n", "x = 0.0\n"},
                                               });
  CheckRows(Only(kTrailingZeros, 4), {
                                         {"0.50,\n", "0.5,\n"},
                                         {"1.0500)\n", "1.05)\n"},
                                         {"10.50\n", "10.5\n"},
                                         {"1.2300\n", "1.23\n"},
                                         {"2.50e - 3\n", "2.50e - 3\n"},
                                         {"x = .50\n", "x = .50\n"},
                                     });
  CheckRows(Only(kMissingZeros, 4), {
                                        {"x = .5\n", "x = 0.5\n"},
                                        {"(.5,.5)\n", "(0.5,0.5)\n"},
                                        {"x =  - .5\n", "x =  - 0.5\n"},
                                        {"a.5\n", "a.5\n"},
                                    });
  CheckRows(Only(kSemicolons, 4), {
                                      {"print(x);\n", "print(x)\n"},
                                      {"a = 1 ;\n", "a = 1 \n"},
                                      {"a;;\n", "a;\n"},
                                      {"end\n;\n", "end\n\n"},
                                      {"-- note;\n", "-- note\n"},
                                      {"a,;\n", "a,;\n"},
                                      {"x = 1; y = 2\n", "x = 1; y = 2\n"},
                                      {"x = 1;", "x = 1;"},
                                  });
  CheckRows(Only(kExponentSigns, 4), {
                                         {"x = 1e - 5\n", "x = 1e-5\n"},
                                         {"x = 2.5E + 10\n", "x = 2.5E+10\n"},
                                         {"x = 1.0e + 10\n", "x = 1.0e+10\n"},
                                         {"x = 3e\n - 5\n", "x = 3e-5\n"},
                                         {"y = x5e - 3\n", "y = x5e - 3\n"},
                                         {"z = 1e - n\n", "z = 1e - n\n"},
                                     });
  CheckRows(Only(kDoubleBlank, 4), {
                                       {"a\n\n\n\n\nb\n", "a\n\nb\n"},
                                       {"a\n\t\n\n\nb\n", "a\n\t\n\nb\n"},
                                   });
  CheckRows({kLeadingBlank, kLeadingBlank, 4},
            {
                {"\n\nfunction f()\t\nend\n\n", "function f()\t\nend\n\n"},
            });
  CheckRows(Only(kFinalLineEnd, 4), {{"x = 1", "x = 1\n"}, {"", "\n"}});
}

TEST(ReferenceExamplesTest, WholeCleanUpStage) {
  constexpr std::string_view kInput =
      "\tx =  - 5\n\n\n\tt = \n\t{\n\t\t0.50,\n\t\t.5,\n\t\t2e - 3,\n\t\tz =  - 0.000,\n\t}\n\n\n"
      "\tprint(x);\n\n";
  FormatOptions unix_settings;
  unix_settings.UnixEndOfLine = true;
  CheckRows(kCleanUp,
            {
                {"\n\tfunction f()\t\n\tend\n\n", "function f()\t\r\nend\r\n\r\n"},
                {"", "\r\n"},
                {kInput,
                 "x =  - 5\r\n\r\nt = \r\n{\r\n\t0.5,\r\n\t0.5,\r\n\t2e-3,\r\n\tz =  - 0,\r\n}\r\n"
                 "\r\nprint(x)\r\n\r\n"},
            });
  CheckRows(
      kCleanUp,
      {
          {kInput, "x =  - 5\n\nt = \n{\n\t0.5,\n\t0.5,\n\t2e-3,\n\tz =  - 0,\n}\n\nprint(x)\n\n"},
      },
      unix_settings);
}

}  // namespace
}  // namespace kelvane::reference
