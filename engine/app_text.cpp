// The program's fixed texts. The usage text still speaks of the script host
// and the .js file: that is how users know the program, so it stays as it is.

#include "engine/app_text.h"

namespace kelvane {

// The version, written once, in the banner and in the header line.
#define KELVANE_VERSION "1.27"

const std::string_view AppInfo = "Zorv Kelvane v" KELVANE_VERSION " by Velkarin\n";

const std::string_view AppComment =
    "-- Pretty-Printed using Zorv Kelvane " KELVANE_VERSION " by Velkarin.\n";

const std::string_view AppError =
    "There are two ways in which you can use this pretty-printer:\n"
    "\n"
    "\t1) In Explorer, drag & drop a single Lua file \n"
    "\t   containing the code you wish to process onto the \n"
    "\t   included JS file. The output will be copied to a new \n"
    "\t   file with the same name and in the same directory as \n"
    "\t   the input file, but with an additional \".pretty\" \n"
    "\t   extension.\n"
    "\n"
    "\t2) On the command-line, the syntax is as follows:\n"
    "\n"
    "\t\tcscript [ScriptPath] [InputPath] [[OutputPath]] \n"
    "\t\t[[-o]] [[-s]] [[-help]] [[-verbose]] [[-debug]] \n"
    "\t\t[[-unix]]\n"
    "\n"
    "\t   [ScriptPath]\t- The full path to \n"
    "\t\t\t  \"Zorv_Kelvane.js\".\n"
    "\t   [InputPath]\t- The full path of the Lua file to \n"
    "\t\t\t  process.\n"
    "\t   [OutputPath]\t- The full path of the output file. If \n"
    "\t\t\t  omitted, then the output will be \n"
    "\t\t\t  copied to a new file with the same \n"
    "\t\t\t  name and in the same directory as the \n"
    "\t\t\t  input file, but with an additional \n"
    "\t\t\t  \".pretty\" extension (unless the \"-o\" \n"
    "\t\t\t  switch is also specified).\n"
    "\t   [-o]\t\t- Tells the program to overwrite the \n"
    "\t\t\t  input file.\n"
    "\t   [-s]\t\t- Tells the program to strip comments \n"
    "\t\t\t  from the code.\n"
    "\t   [-help]\t- Prints this help text to the screen.\n"
    "\t   [-verbose]\t- Turns verbose messaging on.\n"
    "\t   [-debug]\t- Generates an additional file in the \n"
    "\t\t\t  source directory that is helpful in \n"
    "\t\t\t  debugging the program (or file).\n"
    "\t   [-unix]\t- Creates Unix-style end-of-line \n"
    "\t\t\t  characters. (Mainly a cosmetic issue.)\n";

}  // namespace kelvane
