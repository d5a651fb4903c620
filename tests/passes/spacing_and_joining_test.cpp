// Spacing, breaking at braces and line joining, on the texts they are made
// for: what masking leaves, tokens in place.

#include <gtest/gtest.h>

#include "engine/passes/spacing_and_joining.h"
#include "tests/passes/pass_rows.h"

namespace kelvane {
namespace {

using testing::RunRows;
using testing::Visible;

struct Row {
  const char* input;
  const char* expected;
};

std::string Fix(const std::string& input) {
  CodeState state;
  state.text = input;
  return RunRows(std::move(state), CollapseWhitespaceRuns, JoinLoopHeads).state.text;
}

TEST(SpacingAndJoining, LaysOutTablesBlocksAndHeads) {
  const Row rows[] = {
      {"a = { b = 1, c = { 2 } }\n", "\ta=\n\t{\n\t\tb=1,\n\t\tc=\n\t\t{\n\t\t\t2\n\t\t}\n\t}\n"},
      {"b = { 1 ,2 ,{ 3 } , 4 }\n",
       "\tb=\n\t{\n\t\t1,\n\t\t2,\n\t\t{\n\t\t\t3\n\t\t},\n\t\t4\n\t}\n"},
      {"t = { {1}; {2} }\n",
       "\tt=\n\t{\n\t\t{\n\t\t\t1\n\t\t}\n\t\t;\n\t\t{\n\t\t\t2\n\t\t}\n\t}\n"},
      {"t = {\n  name = @s0s@,\n  @i0i@ = { x = 1 },\n}\n",
       "\tt=\n\t{\n\t\tname=@s0s@,\n\t\t@i0i@=\n\t\t{\n\t\t\tx=1\n\t\t},\n\t}\n"},
      {"function f@a0a@\n  if x then return @a1a@ end\n  for i = 1, 10 do print@a2a@ end\nend\n",
       "\tfunction f@a0a@\n\tif x then\n\treturn\n\t@a1a@\n\tend\n\tfor i=1, 10 do\n\tprint@a2a@\n\tend\n"
       "\tend\n"},
      {"if a == 1 and not b then x = -1 end\n", "\tif a==1 and not\n\tb then\n\tx=-1\n\tend\n"},
      {"if not x then y@a0a@ end\n", "\tif not x then\n\ty@a0a@\n\tend\n"},
      {"if x ~= y then z = 1 end\n", "\tif x\n\t~=y then\n\tz=1\n\tend\n"},
      {"local a, b = 1, 2\n", "\tlocal a,\n\tb=1,\n\t2\n"},
      {"for k, v in pairs@a0a@ do print@a1a@ end\n",
       "\tfor k, v in pairs@a0a@ do\n\tprint@a1a@\n\tend\n"},
      {"for i = 1, n + 1 do y = i end\n", "\tfor i=1,\n\tn\n\t+\n\t1\n\tdo\n\ty=i\n\tend\n"},
      {"while a do a = nil end\n", "\twhile a do\n\ta=nil\n\tend\n"},
      {"while a > 0 do a = a - 1 end\n",
       "\twhile a\n\t>\n\t0\n\tdo\n\ta=a\n\t-\n\t1\n\tend\n"},
      {"a = { f = function@a0a@ return @a1a@ end }\n",
       "\ta=\n\t{\n\t\tf=function@a0a@\n\t\treturn\n\t@a1a@\n\t\tend\n\t}\n"},
      {"x = 1 @c0c@\ny = { a = 1 @c1c@\n}\n",
       "\tx=1\n\t@c0c@\n\ty=\n\t{\n\t\ta=1\n\t\t@c1c@\n\t}\n"},
      {"x = @tet@\ny = @tet@\n", "\tx=@tet@\n\ty=@tet@\n"},
      {"  x = { 1 }\n", "\n\tx=\n\t{\n\t\t1\n\t}\n"},
      {"x = 1 }\n", "\tx=1\n}\n"},
      // Keywords whose white space the previous match consumed stay put.
      {"a and not x\n", "\ta and not\n\tx\n"},
      {"local function f@a0a@\n", "\tlocal function\n\tf@a0a@\n"},
      {"for i = 1, 10, 2 do x = i end\n", "\tfor i=1, 10, 2 do\n\tx=i\n\tend\n"},
      // A head is joined only when every part comes back as one line once the
      // operator spacing has spaced it: "n/2" becomes "n / 2", three lines on
      // the next run, which then left the head broken.
      {"for i = 1, n/2 do end\n", "\tfor i=1,\n\tn/2\n\tdo\n\tend\n"},
      {"for i = n/2, 10 do end\n", "\tfor i=n/2,\n\t10\n\tdo\n\tend\n"},
      {"for i = 4, 2, -1 do end\n", "\tfor i=4,\n\t2,\n\t-1\n\tdo\n\tend\n"},
      {"for i = -1, 0 do end\n", "\tfor i=-1,\n\t0\n\tdo\n\tend\n"},
      {"for k, v in a..b do end\n", "\tfor k,\n\tv\n\tin\n\ta..b\n\tdo\n\tend\n"},
      {"while a>0 do end\n", "\twhile a>0\n\tdo\n\tend\n"},
      // "=" and "==" between names, numbers or tokens, and exponent signs, are
      // joined again on the next run.
      {"for i = 1, x==y do end\n", "\tfor i=1, x==y do\n\tend\n"},
      {"for i = 1, 1e-5, .5 do end\n", "\tfor i=1, 1e-5, .5 do\n\tend\n"},
      {"for i = 1, t@i0i@==@s0s@ do end\n", "\tfor i=1, t@i0i@==@s0s@ do\n\tend\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Visible(Fix(row.input)), Visible(row.expected)) << "input: " << Visible(row.input);
  }
}

TEST(SpacingAndJoining, SurplusRightBracesAtDepthZeroFireTheGuard) {
  CodeState state;
  state.text = "x = 1 } }\n";
  const auto result = RunRows(std::move(state), CollapseWhitespaceRuns, JoinLoopHeads);
  ASSERT_NE(result.guard_message, nullptr);
  EXPECT_STREQ(result.guard_message,
               "Error: Was unable to break and outdent at every occurance of a right bracket.");
}

TEST(SpacingAndJoining, StoredGroupsGetSingleSpacesAndCommaSpacing) {
  const Row rows[] = {
      {"( a ,b )", "( a, b )"},
      {"(\ta ,\n\n b , c)", "( a, b, c)"},
      {"(a,)", "(a, )"},
      {"({ a = 1,\n b = 2 })", "({ a = 1, b = 2 })"},
  };
  for (const Row& row : rows) {
    CodeState state;
    state.text = "f@a0a@\n";
    state.ArgumentsTable = {row.input};
    const auto result = RunRows(std::move(state), CollapseWhitespaceRuns, JoinLoopHeads);
    EXPECT_EQ(result.state.text, "\tf@a0a@\n");
    EXPECT_EQ(Visible(result.state.ArgumentsTable[0]), Visible(row.expected))
        << "entry: " << Visible(row.input);
  }
}

}  // namespace
}  // namespace kelvane
