# Turns the engine executable into a C++ source holding its bytes, so the front
# end carries the engine inside it. Run as:
#   cmake -DINPUT=<engine> -DOUTPUT=<file.cpp> -P embed_engine.cmake
if(NOT INPUT OR NOT OUTPUT)
  message(FATAL_ERROR "embed_engine.cmake: INPUT and OUTPUT must be set")
endif()
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
if(hex_length EQUAL 0)
  message(FATAL_ERROR "embed_engine.cmake: ${INPUT} is empty")
endif()
# Two hex digits per byte; 24 bytes per line.
string(REPEAT "[0-9a-f]" 48 line_digits)
string(REGEX REPLACE "(${line_digits})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
cmake_path(GET INPUT FILENAME input_name)
file(WRITE "${OUTPUT}.part"
"// Generated at build time from ${input_name}; do not edit.
#include \"frontend/engine_image.h\"

namespace kelvane::frontend {
namespace {

const unsigned char kEngineBytes[] = {
${bytes}
};

}  // namespace

std::span<const unsigned char> EngineImage() { return kEngineBytes; }

}  // namespace kelvane::frontend
")
# Replace the output only once it is complete.
file(RENAME "${OUTPUT}.part" "${OUTPUT}")
