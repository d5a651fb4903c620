// kelvanefmt --lsp: a language server that formats, over standard input and
// output. It keeps the open documents (whole-text sync) and answers
// textDocument/formatting and textDocument/rangeFormatting with edits; a
// document it cannot format gets no edits and a window/showMessage saying why.
#pragma once

#include <istream>
#include <ostream>

#include "kelvanefmt/fmt_options.h"

namespace kelvane::fmt {

// Serves until the client sends "exit"; returns the exit status: 0 after a
// "shutdown" request, 1 otherwise (as when the input ends first).
int RunLanguageServer(const FmtOptions& options, std::istream& in, std::ostream& out);

}  // namespace kelvane::fmt
