// Lua 4.0's rule for table constructors, from its grammar, for the tests:
//   constructor ::= "{" part [";" part] "}"
//   part        ::= empty | listfields | recfields
//   listfields  ::= exp {"," exp} [","]
//   recfields   ::= recfield {"," recfield} [","]   (recfield: name = exp, [exp] = exp)
// and the two parts of one constructor are of different kinds. Lua 5.1 takes
// "," and ";" alike anywhere, so its compiler cannot tell a formatting that
// breaks this rule; no Lua 4.0 compiler is at hand in the suite.
#pragma once

#include <string>
#include <string_view>

namespace kelvane::test_support {

// Empty when every table constructor of `text` keeps the rule, otherwise what
// breaks it first, with the line.
std::string Lua40ConstructorFault(std::string_view text);

}  // namespace kelvane::test_support
