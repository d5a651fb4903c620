// Stage 2: hide comments, escaped quotes, strings, empty tables, argument
// groups and index groups behind placeholder tokens, storing their text.
#pragma once

#include "engine/pass.h"

namespace kelvane {

void MaskComments(PassContext& context);       // "-- x" -> @c0c@ (deleted with "-s")
void MaskEscapedQuotes(PassContext& context);  // \" -> @qdq@, \' @qsq@, \[\[ @qlq@, \]\] @qrq@
void MaskStrings(PassContext& context);        // [[..]], "..", '..' -> @s<n>s@
void MaskEmptyTables(PassContext& context);    // "{ }" -> @tet@
void MaskArguments(PassContext& context);      // "(x)" -> @a<n>a@, innermost first
void MaskIndices(PassContext& context);        // "[k]" -> @i<n>i@, innermost first

}  // namespace kelvane
