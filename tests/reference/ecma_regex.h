// Regular-expression rewrites with ECMAScript semantics, run by PCRE2: the
// engine for the literal reference of the passes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane::reference {

// PCRE2 is set up to read our patterns as ECMAScript does: newline is LF,
// `$` outside multiline mode matches only at the very end, multiline `^` also
// matches after a final LF, no UTF or UCP, default (C locale) tables, so `\s`
// is space, TAB, LF, VT, FF, CR and `\w` is [A-Za-z0-9_]. One difference is
// left on purpose: PCRE2's `.`, `^` and `$` treat CR as an ordinary character
// while ECMAScript's treat it as a line end. The pipeline removes every CR in
// its first pass and adds CR again only in its last (whose pattern holds none
// of the three), so no pattern that uses them ever sees a CR; the wrapper
// aborts if one does. Global replacement and the expansion of replacement
// texts are our own code, written after ECMAScript's rules.

enum class RegexFlags { kNone, kMultiline };

struct RegexMatch {
  size_t begin = 0;
  size_t end = 0;
  // Group n (1-based) at index n - 1; nullopt when the group took no part.
  std::vector<std::optional<std::string_view>> groups;
};

// The leftmost match that starts at or after `start`; the whole text is the
// subject, so `^` and look-behind still see what precedes `start`.
std::optional<RegexMatch> FindFirst(std::string_view text, std::string_view pattern,
                                    RegexFlags flags, size_t start = 0);

bool Test(std::string_view text, std::string_view pattern, RegexFlags flags);

// The text with its leftmost match replaced; the text unchanged without one.
std::string ReplaceFirst(std::string_view text, std::string_view pattern, RegexFlags flags,
                         std::string_view replacement);

// Every non-overlapping match replaced, scanning left to right. After an
// empty match the next search starts one character further on.
std::string ReplaceAll(std::string_view text, std::string_view pattern, RegexFlags flags,
                       std::string_view replacement);

// The replacement text for one match: $n, $nn, $&, $`, $', $$ as ECMAScript
// reads them, given the subject and the match's place in it.
std::string ExpandReplacement(std::string_view replacement, std::string_view subject,
                              const RegexMatch& match);

// PCRE2's JIT is used when available unless switched off here (or by the
// environment variable KELVANE_REFERENCE_NO_JIT); results must not differ.
void SetReferenceJit(bool enabled);

}  // namespace kelvane::reference
