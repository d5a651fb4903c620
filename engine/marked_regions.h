// Regions of a Lua text that formatting leaves byte for byte as they are,
// marked by line comments: from "-- kelvanefmt: off" to the end of the line
// of the next "-- kelvanefmt: on" (or to the end of the text), and from
// "-- kelvanefmt: ignore" to the end of the statement or table entry on the
// lines after it (StatementEnd). A region starts at its marker's "--" and
// ends where its last line's line end starts; markers inside a region are
// part of it.
//
// Before ProcessCode each region is set aside and a placeholder line comment
// stands in its place, so that the passes lay out the code around it as
// around any comment; after ProcessCode the region's bytes go back where the
// placeholder landed. A placeholder holds no digit, TAB or ";" for the
// clean-up to tidy, and ends in "," so that no table separator is put after
// it. The blanks the passes leave after a comment go with the placeholder.
#pragma once

#include <string>
#include <vector>

#include "engine/format_options.h"

namespace kelvane {

struct MarkedRegions {
  std::vector<std::string> texts;  // each region's bytes, in text order
  std::string placeholder_stem;    // "--kelvanefmtregion", lengthened until the text lacks it
  // Set when a region does not hold whole statements (HoldsWholeStatements):
  // the passes would take the code around it for another nesting, so the
  // text is not formatted. Says which region, by the line of its marker.
  std::string refusal;
};

// Sets the marked regions of `text` aside, each behind its placeholder;
// `first_line` is the line number of the text's first line in the file. With
// "-s" the comments outside the regions are deleted here, as the masking
// deletes them, and `process_settings` loses StripComments, so that the
// placeholders survive the masking; the comments inside the regions stay.
MarkedRegions SetMarkedRegionsAside(std::string& text, size_t first_line,
                                    FormatOptions& process_settings);

// Puts the regions back into the formatted `text`, in place of their
// placeholders. False when a placeholder is missing (nothing is changed).
bool PutMarkedRegionsBack(const MarkedRegions& regions, std::string& text);

}  // namespace kelvane
