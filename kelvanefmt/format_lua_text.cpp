// The engine's settings for one text, the line ends of the two lines the
// engine writes with LF, and the input limit for the result.

#include "kelvanefmt/format_lua_text.h"

#include <optional>

#include "engine/format_text.h"
#include "engine/messages.h"
#include "files/file_io.h"
#include "kelvanefmt/line_ends.h"
#include "kelvanefmt/refusal_cause.h"

namespace kelvane::fmt {

LuaTextResult FormatLuaText(const std::string& input, const FileSettings& settings) {
  LuaTextResult result;
  if (std::optional<std::string> cause = NotTextCause(input)) {
    result.cause = std::move(*cause);
    return result;
  }
  FormatOptions engine;
  engine.StripComments = settings.strip_comments;
  engine.WriteHeader = settings.header;
  engine.UnixEndOfLine = EndsLinesWithLf(settings.line_ends, input);
  engine.KeepMarkedRegions = true;
  NullMessages quiet;
  FormatResult formatted = FormatText(input, engine, quiet);
  if (formatted.status != FormatStatus::kOk) {
    result.cause = RefusalCause(input, formatted);
    return result;
  }
  if (!engine.UnixEndOfLine) {
    GiveLeadingLinesCrLf(formatted.text, /*loader_line=*/StartsWithLoaderLine(input),
                         /*header_line=*/engine.WriteHeader && !engine.StripComments);
  }
  // A result the next run could not read is not handed on.
  if (formatted.text.size() > kInputSizeLimit) {
    result.cause = OutputTooLargeCause(formatted.text.size());
    return result;
  }
  result.ok = true;
  result.text = std::move(formatted.text);
  return result;
}

}  // namespace kelvane::fmt
