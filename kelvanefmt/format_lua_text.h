// One text through the engine as kelvanefmt formats it: only a text, with
// the line ends it keeps or is given, its marked regions left alone, a
// result no larger than the input limit, and a refusal said in kelvanefmt's
// words. Files, standard input and the language server all go through it.
#pragma once

#include <string>

#include "kelvanefmt/config_finder.h"

namespace kelvane::fmt {

struct LuaTextResult {
  bool ok = false;
  std::string text;   // the formatted text, when ok
  std::string cause;  // why not, when not ok (NotTextCause, RefusalCause,
                      // OutputTooLargeCause)
};

// Never throws but for a lack of memory. Safe to call from several threads.
LuaTextResult FormatLuaText(const std::string& input, const FileSettings& settings);

}  // namespace kelvane::fmt
