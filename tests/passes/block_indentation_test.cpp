// Block indentation and table punctuation on texts as the spacing passes
// leave them.

#include "engine/passes/block_indentation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/passes/pass_rows.h"
#include "tests/support/pass_examples.h"

namespace kelvane {
namespace {

using test_support::RunRows;
using test_support::Visible;

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
      // A ";" between tables stays a ";": Lua 4.0 needs it between the list
      // part and the record part, where "," is a syntax error.
      {"\tt=\n\t{\n\t\t{\n\t\t\t1\n\t\t}\n\t\t;\n\t\t{\n\t\t\t2\n\t\t}\n\t}\n",
       "\n\tt=\n\t{\n\t\t{\n\t\t\t1,\n\t\t};\n\t\t{\n\t\t\t2,\n\t\t},\n\t}\n\n"},
      {"\tt=\n\t{\n\t\ta=\n\t\t{\n\t\t\t1\n\t\t}\n\t\t;\n\t\t{\n\t\t\t2\n\t\t}\n\t}\n",
       "\n\tt=\n\t{\n\t\ta=\n\t\t{\n\t\t\t1,\n\t\t};\n\t\t{\n\t\t\t2,\n\t\t},\n\t}\n\n"},
      // "end;" ends a global block like "end", so the empty line follows it
      // on the first run already: its semicolon goes in the clean-up, and the
      // next run sees a bare "end".
      {"\tfunction f@a0a@\n\tx=1\n\tend;\n\ty=2\n",
       "\n\tfunction f@a0a@\t\n\t\tx=1\n\tend;\n\n\ty=2\n"},
      {"\tdo\n\tend;;\n\tx\n", "\tdo\t\n\tend;;\n\n\tx\n"},
      // A comment that already ends in a comma (then perhaps TABs) carries the
      // last entry's comma: "a = 1 -- note" before "}" gets "-- note," once,
      // and no further run adds another comma.
      {"\tt=\n\t{\n\t\ta=1\n\t\t@c0c@\n\t}\n",
       "\n\tt=\n\t{\n\t\ta=1\n\t\t@c0c@,\n\t}\n\n",
       {"-- note"}},
      {"\tt=\n\t{\n\t\ta=1\n\t\t@c0c@\n\t}\n",
       "\n\tt=\n\t{\n\t\ta=1\n\t\t@c0c@\n\t}\n\n",
       {"-- note,"}},
      {"\tt=\n\t{\n\t\t@c1c@\n\t}\n", "\n\tt=\n\t{\n\t\t@c1c@\n\t}\n\n", {"--", "-- note\t\t,\t"}},
      {"\tt=\n\t{\n\t\t@c0c@\n\t}\n", "\n\tt=\n\t{\n\t\t@c0c@,\n\t}\n\n", {"-- a, b"}},
      {"\tt=\n\t{\n\t\t@c0c@\n\t}\n", "\n\tt=\n\t{\n\t\t@c0c@,\n\t}\n\n", {"-- a, "}},
      // Outdenting never takes a line below depth 0.
      {"\tdo\n\tend\n\tend\n\tend\n\tx\n", "\tdo\t\n\tend\n\nend\nend\nx\n"},
      // M24: after a surplus "end", a line at depth 1 before lines at depth 0
      // that end in "=" gets no
      // empty line where the next run breaks it at a spaced operator and puts
      // the empty line after that operator, whose spacing takes it out; it
      // keeps one where the first piece ends in "=" ("z=", "#y").
      {"\tfunction a.b@a0a@\n\tend\n\tend\n\tif x then\n\tz=y..f\n\tend\n\te=\n\t{\n\t\th=1\n\t}\n",
       "\n\tfunction a.b@a0a@\t\n\tend\n\nend\nif x then\t\n\tz=y..f\nend\ne=\n{\n\th=1,\n}\n"},
      {"\tfunction a.b@a0a@\n\tend\n\tend\n\tif x then\n\tz=#y\n\tend\n\te=\n\t{\n\t\th=1\n\t}\n",
       "\n\tfunction a.b@a0a@\t\n\tend\n\nend\nif x then\t\n\n\tz=#y\nend\ne=\n{\n\th=1,\n}\n"},
      // A ";" alone, which the clean-up takes away, hands its empty line to the
      // line before it; in a table constructor it stays and keeps it.
      {"\tfunction m.f@a0a@\n\tend\n\tend\n\tif x then\n"
       "\tt=\n\t{\n\t\tk=1\n\t}\n\t;\n\tend\n\te=\n\t{\n\t\th=1\n\t}\n",
       "\n\tfunction m.f@a0a@\t\n\tend\n\nend\nif x then\t\n"
       "\n\tt=\n\t{\n\t\tk=1,\n\n\t}\n\n\t;\nend\ne=\n{\n\th=1,\n}\n"},
      {"\tfunction m.f@a0a@\n\tend\n\tend\n"
       "\tt=\n\t{\n\t\t{\n\t\t\tk=1\n\t\t}\n\t\t;\n\t}\n\te=\n\t{\n\t\th=1\n\t}\n",
       "\n\tfunction m.f@a0a@\t\n\n\tend\n\nend\n"
       "t=\n{\n\t{\n\t\tk=1,\n\t}\n\n\n\t;\n}\ne=\n{\n\th=1,\n}\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Visible(Indent(row.input, row.comments)), Visible(row.expected))
        << "input: " << Visible(row.input);
  }
  for (const test_support::PassExample& row : test_support::kBlockExamples) {
    const std::string input(row.input);
    EXPECT_EQ(Visible(Indent(input)), Visible(std::string(row.expected)))
        << "input: " << Visible(input);
  }
}

}  // namespace
}  // namespace kelvane
