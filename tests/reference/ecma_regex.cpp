// ECMAScript-flavoured regular expressions over PCRE2: compilation with a
// cache, our own global-replacement loop and replacement expansion.

#include "tests/reference/ecma_regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>

namespace kelvane::reference {
namespace {

struct Compiled {
  pcre2_code* code = nullptr;
  uint32_t capture_count = 0;
  bool uses_line_syntax = false;  // holds `.`, `^` or `$`, which read CR unlike ECMAScript
};

std::atomic<bool> use_jit{std::getenv("KELVANE_REFERENCE_NO_JIT") == nullptr};

[[noreturn]] void Fail(const char* what, std::string_view pattern, int code) {
  PCRE2_UCHAR message[256];
  pcre2_get_error_message(code, message, sizeof message);
  std::fprintf(stderr, "reference regex: %s for /%.*s/: %s\n", what,
               static_cast<int>(pattern.size()), pattern.data(),
               reinterpret_cast<const char*>(message));
  std::abort();
}

// Patterns are compiled once and kept for the life of the process.
const Compiled& Compile(std::string_view pattern, RegexFlags flags) {
  static std::mutex mutex;
  static std::map<std::pair<std::string, RegexFlags>, Compiled> cache;
  std::lock_guard lock(mutex);
  auto key = std::make_pair(std::string(pattern), flags);
  if (auto found = cache.find(key); found != cache.end()) return found->second;

  uint32_t options = PCRE2_DOLLAR_ENDONLY;
  if (flags == RegexFlags::kMultiline) options |= PCRE2_MULTILINE | PCRE2_ALT_CIRCUMFLEX;
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  pcre2_set_newline(context, PCRE2_NEWLINE_LF);
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   options, &error, &error_offset, context);
  pcre2_compile_context_free(context);
  if (code == nullptr) Fail("cannot compile", pattern, error);
  pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);  // failure just leaves the interpreter

  Compiled compiled;
  compiled.code = code;
  pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &compiled.capture_count);
  compiled.uses_line_syntax = pattern.find_first_of(".^$") != std::string_view::npos;
  return cache.emplace(std::move(key), compiled).first->second;
}

// No limits: a reference that gave up half-way would be wrong, not slow.
pcre2_match_context* MatchContext() {
  static pcre2_match_context* context = [] {
    pcre2_match_context* created = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(created, UINT32_MAX);
    pcre2_set_depth_limit(created, UINT32_MAX);
    pcre2_set_heap_limit(created, UINT32_MAX);
    pcre2_jit_stack* stack = pcre2_jit_stack_create(32 * 1024, 512 * 1024 * 1024, nullptr);
    pcre2_jit_stack_assign(created, nullptr, stack);
    return created;
  }();
  return context;
}

std::optional<RegexMatch> Search(const Compiled& compiled, std::string_view pattern,
                                 std::string_view text, size_t start) {
  if (compiled.uses_line_syntax && text.find('\r') != std::string_view::npos) {
    std::fprintf(stderr, "reference regex: /%.*s/ met a CR, where PCRE2 and ECMAScript differ\n",
                 static_cast<int>(pattern.size()), pattern.data());
    std::abort();
  }
  static std::mutex mutex;  // the shared match context is not thread-safe
  std::lock_guard lock(mutex);
  pcre2_match_data* data = pcre2_match_data_create_from_pattern(compiled.code, nullptr);
  int rc = pcre2_match(compiled.code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), start,
                       use_jit ? 0 : PCRE2_NO_JIT, data, MatchContext());
  if (rc == PCRE2_ERROR_NOMATCH) {
    pcre2_match_data_free(data);
    return std::nullopt;
  }
  if (rc < 0) Fail("cannot match", pattern, rc);
  const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(data);
  RegexMatch match;
  match.begin = offsets[0];
  match.end = offsets[1];
  for (uint32_t group = 1; group <= compiled.capture_count; ++group) {
    PCRE2_SIZE begin = offsets[2 * group];
    if (group >= static_cast<uint32_t>(rc) || begin == PCRE2_UNSET) {
      match.groups.emplace_back(std::nullopt);
    } else {
      match.groups.emplace_back(text.substr(begin, offsets[2 * group + 1] - begin));
    }
  }
  pcre2_match_data_free(data);
  return match;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void SetReferenceJit(bool enabled) { use_jit = enabled; }

std::optional<RegexMatch> FindFirst(std::string_view text, std::string_view pattern,
                                    RegexFlags flags, size_t start) {
  if (start > text.size()) return std::nullopt;
  return Search(Compile(pattern, flags), pattern, text, start);
}

bool Test(std::string_view text, std::string_view pattern, RegexFlags flags) {
  return FindFirst(text, pattern, flags).has_value();
}

std::string ReplaceFirst(std::string_view text, std::string_view pattern, RegexFlags flags,
                         std::string_view replacement) {
  std::optional<RegexMatch> match = FindFirst(text, pattern, flags);
  if (!match) return std::string(text);
  std::string out(text.substr(0, match->begin));
  out += ExpandReplacement(replacement, text, *match);
  out += text.substr(match->end);
  return out;
}

// ECMAScript's global replace: each search starts where the last match ended,
// or one character further on after an empty match; a non-empty match at the
// position of an empty one is therefore never tried.
std::string ReplaceAll(std::string_view text, std::string_view pattern, RegexFlags flags,
                       std::string_view replacement) {
  const Compiled& compiled = Compile(pattern, flags);
  std::string out;
  size_t copied = 0;
  size_t search = 0;
  while (search <= text.size()) {
    std::optional<RegexMatch> match = Search(compiled, pattern, text, search);
    if (!match) break;
    out += text.substr(copied, match->begin - copied);
    out += ExpandReplacement(replacement, text, *match);
    copied = match->end;
    search = match->end == match->begin ? match->end + 1 : match->end;
  }
  out += text.substr(copied);
  return out;
}

// $$ is "$"; $& the match; $` and $' the text before and after it; $n and
// $nn a group, where a two-digit number beyond the groups is read as $n and a
// literal digit; a reference to no group stays as it is written.
std::string ExpandReplacement(std::string_view replacement, std::string_view subject,
                              const RegexMatch& match) {
  const size_t group_count = match.groups.size();
  std::string out;
  for (size_t i = 0; i < replacement.size(); ++i) {
    char c = replacement[i];
    if (c != '$' || i + 1 == replacement.size()) {
      out += c;
      continue;
    }
    char next = replacement[i + 1];
    if (next == '$') {
      out += '$';
      ++i;
    } else if (next == '&') {
      out += subject.substr(match.begin, match.end - match.begin);
      ++i;
    } else if (next == '`') {
      out += subject.substr(0, match.begin);
      ++i;
    } else if (next == '\'') {
      out += subject.substr(match.end);
      ++i;
    } else if (IsDigit(next)) {
      size_t digits = 1;
      size_t index = static_cast<size_t>(next - '0');
      if (i + 2 < replacement.size() && IsDigit(replacement[i + 2])) {
        size_t two = index * 10 + static_cast<size_t>(replacement[i + 2] - '0');
        if (two <= group_count) {
          digits = 2;
          index = two;
        }
      }
      if (index >= 1 && index <= group_count) {
        if (match.groups[index - 1]) out += *match.groups[index - 1];
      } else {
        out += replacement.substr(i, 1 + digits);
      }
      i += digits;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace kelvane::reference
