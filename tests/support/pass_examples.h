// Worked examples that the engine's passes and the literal rules give alike.
// Each table is run twice: by tests/passes/ against the engine's rows and by
// tests/reference/ against the literal rules of the same rows. Examples where
// the two differ on purpose (the mended rules) stay in the engine's tests.
#pragma once

#include <string_view>

namespace kelvane::test_support {

struct PassExample {
  std::string_view input;
  std::string_view expected;
};

// CollapseWhitespaceRuns through JoinLoopHeads, on masked text.
inline constexpr PassExample kSpacingExamples[] = {
    {"a = { b = 1, c = { 2 } }\n", "\ta=\n\t{\n\t\tb=1,\n\t\tc=\n\t\t{\n\t\t\t2\n\t\t}\n\t}\n"},
    {"b = { 1 ,2 ,{ 3 } , 4 }\n",
     "\tb=\n\t{\n\t\t1,\n\t\t2,\n\t\t{\n\t\t\t3\n\t\t},\n\t\t4\n\t}\n"},
    {"t = { {1}; {2} }\n", "\tt=\n\t{\n\t\t{\n\t\t\t1\n\t\t}\n\t\t;\n\t\t{\n\t\t\t2\n\t\t}\n\t}\n"},
    {"t = {\n  name = @s0s@,\n  @i0i@ = { x = 1 },\n}\n",
     "\tt=\n\t{\n\t\tname=@s0s@,\n\t\t@i0i@=\n\t\t{\n\t\t\tx=1\n\t\t},\n\t}\n"},
    {"function f@a0a@\n  if x then return @a1a@ end\n  for i = 1, 10 do print@a2a@ end\nend\n",
     "\tfunction f@a0a@\n\tif x then\n\treturn\n\t@a1a@\n\tend\n\tfor i=1, 10 "
     "do\n\tprint@a2a@\n\tend\n\tend\n"},
    {"if not x then y@a0a@ end\n", "\tif not x then\n\ty@a0a@\n\tend\n"},
    {"if x ~= y then z = 1 end\n", "\tif x\n\t~=y then\n\tz=1\n\tend\n"},
    {"for k, v in pairs@a0a@ do print@a1a@ end\n",
     "\tfor k, v in pairs@a0a@ do\n\tprint@a1a@\n\tend\n"},
    {"for i = 1, n + 1 do y = i end\n", "\tfor i=1,\n\tn\n\t+\n\t1\n\tdo\n\ty=i\n\tend\n"},
    {"while a do a = nil end\n", "\twhile a do\n\ta=nil\n\tend\n"},
    {"while a > 0 do a = a - 1 end\n", "\twhile a\n\t>\n\t0\n\tdo\n\ta=a\n\t-\n\t1\n\tend\n"},
    {"a = { f = function@a0a@ return @a1a@ end }\n",
     "\ta=\n\t{\n\t\tf=function@a0a@\n\t\treturn\n\t@a1a@\n\t\tend\n\t}\n"},
    {"x = 1 @c0c@\ny = { a = 1 @c1c@\n}\n", "\tx=1\n\t@c0c@\n\ty=\n\t{\n\t\ta=1\n\t\t@c1c@\n\t}\n"},
    {"x = @tet@\ny = @tet@\n", "\tx=@tet@\n\ty=@tet@\n"},
    {"  x = { 1 }\n", "\n\tx=\n\t{\n\t\t1\n\t}\n"},
    {"x = 1 }\n", "\tx=1\n}\n"},
};

// IndentAfterOpeners through PlaceBlankLinesAfterGlobalBlocks, on text as the
// spacing passes leave it.
inline constexpr PassExample kBlockExamples[] = {
    {"\ta=\n\t{\n\t\tb=1,\n\t\tc=\n\t\t{\n\t\t\t2\n\t\t}\n\t}\n",
     "\n\ta=\n\t{\n\t\tb=1,\n\t\tc=\n\t\t{\n\t\t\t2,\n\t\t},\n\t}\n\n"},
    {"\tfunction f@a0a@\n\tif x then\n\treturn\n\t@a1a@\n\tend\n\tfor i=1, 10 "
     "do\n\tprint@a2a@\n\tend\n\tend\n",
     "\n\tfunction f@a0a@\t\n\t\tif x then\t\n\t\t\treturn\n\t\t\t@a1a@\n\t\tend\n\t\tfor i=1, 10 "
     "do\t\n\t\t\tprint@a2a@\n\t\tend\n\tend\n\n"},
    {"\tif a then\n\tx=1\n\telseif b then\n\tx=2\n\telse\n\tx=3\n\tend\n",
     "\n\tif a then\t\n\t\tx=1\n\telseif b then\t\n\t\tx=2\n\telse\n\t\tx=3\n\tend\n\n"},
    {"\trepeat\n\ta=a\n\t+\n\t1\n\tuntil a\n\t>\n\t10\n",
     "\trepeat\t\n\t\ta=a\n\t\t+\n\t\t1\n\tuntil a\n\t>\n\t10\n"},
    {"\twhile a\n\t>\n\t0\n\tdo\n\ta=a\n\t-\n\t1\n\tend\n",
     "\n\twhile a\n\t>\n\t0\n\tdo\t\n\t\ta=a\n\t\t-\n\t\t1\n\tend\n\n"},
    {"\tdo\n\tlocal x=1\n\tend\n", "\tdo\t\n\t\tlocal x=1\n\tend\n\n"},
    {"\tf=function@a0a@\n\treturn\n\ta\n\tend\n",
     "\tf=function@a0a@\t\n\t\treturn\n\t\ta\n\tend\n\n"},
    {"\ta=\n\t{\n\t\tf=function@a0a@\n\t\treturn\n\t\t1\n\t\tend\n\t}\n",
     "\n\ta=\n\t{\n\t\tf=function@a0a@\t\n\t\t\treturn\n\t\t\t1\n\t\tend,\n\t}\n\n"},
    {"\tfunction f@a0a@\n\tfunction g@a1a@\n\tx=1\n\tend\n\tend\n",
     "\n\tfunction f@a0a@\t\n\t\tfunction g@a1a@\t\n\t\t\tx=1\n\t\tend\n\tend\n\n"},
    // A method head opens no block, but its "end" closes one.
    {"\tif a then\n\tx=1\n", "\n\tif a then\t\n\t\tx=1\n\t"},
    {"\tx=1\n\t@c0c@\n\ty=\n\t{\n\t\ta=1\n\t\t@c1c@\n\t}\n",
     "\tx=1\n\t@c0c@\n\n\ty=\n\t{\n\t\ta=1\n\t\t@c1c@,\n\t}\n\n"},
    {"\tx=a or {\n\t\t1\n\t}\n", "\tx=a or {\n\t\t1,\n\t}\n\n"},
    {"\tx=1\n}\n", "\tx=1,\n}\n"},
    {"\tx=\n\t{\n\t\t1\n\t}\n}\n", "\n\tx=\n\t{\n\t\t1,\n\t},\n}\n"},
};

// SurroundOperatorsWithSpaces alone.
inline constexpr PassExample kOperatorExamples[] = {
    {"\tx=-5\n", "\tx =  - 5\n"},
    {"\ty=a\n\t-\n\tb\n\t*\n\tc\n", "\ty = a - b * c\n"},
    {"\t\tif n\n\t\t>=10 and n\n\t\t~=20 then\t\n", "\t\tif n >= 10 and n ~= 20 then\t\n"},
    {"\ta~b\n", "\ta~b\n"},
    {"\ta=<b\n", "\ta =  < b\n"},
    {"\tx=1e-5\n", "\tx = 1e - 5\n"},
};

}  // namespace kelvane::test_support
