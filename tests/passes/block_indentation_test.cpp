// Block indentation and table punctuation on texts as the spacing passes
// leave them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/passes/block_indentation.h"
#include "tests/passes/pass_rows.h"

namespace kelvane {
namespace {

using testing::RunRows;
using testing::Visible;

std::string Indent(const std::string& input, std::vector<std::string> comments = {}) {
  CodeState state;
  state.text = input;
  state.CommentsCount = static_cast<int64_t>(comments.size());
  state.CommentsTable = std::move(comments);
  return RunRows(std::move(state), IndentAfterOpeners, PlaceBlankLinesAfterGlobalBlocks).state.text;
}

TEST(BlockIndentation, IndentsBlocksAndPunctuatesTables) {
  struct Row {
    const char* input;
    const char* expected;
    std::vector<std::string> comments = {};  // CommentsTable
  };
  const Row rows[] = {
      {"\ta=\n\t{\n\t\tb=1,\n\t\tc=\n\t\t{\n\t\t\t2\n\t\t}\n\t}\n",
       "\n\ta=\n\t{\n\t\tb=1,\n\t\tc=\n\t\t{\n\t\t\t2,\n\t\t},\n\t}\n\n"},
      {"\tt=\n\t{\n\t\t{\n\t\t\t1\n\t\t}\n\t\t;\n\t\t{\n\t\t\t2\n\t\t}\n\t}\n",
       "\n\tt=\n\t{\n\t\t{\n\t\t\t1,\n\t\t},\n\t\t{\n\t\t\t2,\n\t\t},\n\t}\n\n"},
      {"\tfunction f@a0a@\n\tif x then\n\treturn\n\t@a1a@\n\tend\n\tfor i=1, 10 do\n\tprint@a2a@\n"
       "\tend\n\tend\n",
       "\n\tfunction f@a0a@\t\n\t\tif x then\t\n\t\t\treturn\n\t\t\t@a1a@\n\t\tend\n\t\tfor i=1, 10 "
       "do\t\n\t\t\tprint@a2a@\n\t\tend\n\tend\n\n"},
      {"\tif a then\n\tx=1\n\telseif b then\n\tx=2\n\telse\n\tx=3\n\tend\n",
       "\n\tif a then\t\n\t\tx=1\n\telseif b then\t\n\t\tx=2\n\telse\n\t\tx=3\n\tend\n\n"},
      {"\trepeat\n\ta=a\n\t+\n\t1\n\tuntil a\n\t>\n\t10\n",
       "\trepeat\t\n\t\ta=a\n\t\t+\n\t\t1\n\tuntil a\n\t>\n\t10\n"},
      {"\twhile a\n\t>\n\t0\n\tdo\n\ta=a\n\t-\n\t1\n\tend\n",
       "\n\twhile a\n\t>\n\t0\n\tdo\t\n\t\ta=a\n\t\t-\n\t\t1\n\tend\n\n"},
      {"\tdo\n\tlocal x=1\n\tend\n", "\tdo\t\n\t\tlocal x=1\n\tend\n\n"},
      {"\tf=function@a0a@\n\treturn\n\ta\n\tend\n", "\tf=function@a0a@\t\n\t\treturn\n\t\ta\n\tend\n\n"},
      {"\ta=\n\t{\n\t\tf=function@a0a@\n\t\treturn\n\t\t1\n\t\tend\n\t}\n",
       "\n\ta=\n\t{\n\t\tf=function@a0a@\t\n\t\t\treturn\n\t\t\t1\n\t\tend,\n\t}\n\n"},
      // "end;" ends a global block like "end": its semicolon goes in the
      // clean-up, and the next run put the empty line after the bare "end".
      {"\tfunction f@a0a@\n\tx=1\n\tend;\n\ty=2\n",
       "\n\tfunction f@a0a@\t\n\t\tx=1\n\tend;\n\n\ty=2\n"},
      {"\tdo\n\tend;;\n\tx\n", "\tdo\t\n\tend;;\n\n\tx\n"},
      {"\tfunction f@a0a@\n\tfunction g@a1a@\n\tx=1\n\tend\n\tend\n",
       "\n\tfunction f@a0a@\t\n\t\tfunction g@a1a@\t\n\t\t\tx=1\n\t\tend\n\tend\n\n"},
      // A method head opens no block, but its "end" closes one.
      {"\tfunction o:m@a0a@\n\tx=1\n\tend\n\tfunction g@a1a@\n\ty=1\n\tend\n",
       "\n\tfunction o:m@a0a@\n\tx=1\nend\nfunction g@a1a@\t\n\ty=1\nend\n"},
      {"\tif a then\n\tx=1\n", "\n\tif a then\t\n\t\tx=1\n\t"},
      {"\tx=1\n\t@c0c@\n\ty=\n\t{\n\t\ta=1\n\t\t@c1c@\n\t}\n",
       "\tx=1\n\t@c0c@\n\n\ty=\n\t{\n\t\ta=1\n\t\t@c1c@,\n\t}\n\n"},
      // A comment that already ends in a comma (then perhaps TABs) carries the
      // last entry's comma: "a = 1 -- note" before "}" became "-- note," on
      // the first run, then "-- note,,", "-- note,,," on every further run.
      {"\tt=\n\t{\n\t\ta=1\n\t\t@c0c@\n\t}\n", "\n\tt=\n\t{\n\t\ta=1\n\t\t@c0c@,\n\t}\n\n",
       {"-- note"}},
      {"\tt=\n\t{\n\t\ta=1\n\t\t@c0c@\n\t}\n", "\n\tt=\n\t{\n\t\ta=1\n\t\t@c0c@\n\t}\n\n",
       {"-- note,"}},
      {"\tt=\n\t{\n\t\t@c1c@\n\t}\n", "\n\tt=\n\t{\n\t\t@c1c@\n\t}\n\n", {"--", "-- note\t\t,\t"}},
      {"\tt=\n\t{\n\t\t@c0c@\n\t}\n", "\n\tt=\n\t{\n\t\t@c0c@,\n\t}\n\n", {"-- a, b"}},
      {"\tt=\n\t{\n\t\t@c0c@\n\t}\n", "\n\tt=\n\t{\n\t\t@c0c@,\n\t}\n\n", {"-- a, "}},
      {"\tx=a or {\n\t\t1\n\t}\n", "\tx=a or {\n\t\t1,\n\t}\n\n"},
      {"\tx=1\n}\n", "\tx=1,\n}\n"},
      {"\tx=\n\t{\n\t\t1\n\t}\n}\n", "\n\tx=\n\t{\n\t\t1,\n\t},\n}\n"},
      // Outdenting never takes a line below depth 0.
      {"\tdo\n\tend\n\tend\n\tend\n\tx\n", "\tdo\t\n\tend\n\nend\nend\nx\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Visible(Indent(row.input, row.comments)), Visible(row.expected))
        << "input: " << Visible(row.input);
  }
}

}  // namespace
}  // namespace kelvane
