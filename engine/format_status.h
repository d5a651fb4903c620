// How one formatting ended: the one status the engine, its console program
// and the folder formatter all report in.
#pragma once

namespace kelvane {

enum class FormatStatus {
  kOk,          // formatted (and, by the programs, written)
  kGuardFired,  // a brace loop could make no progress; nothing written
  kRefused,     // the result would not mean what the input means; nothing written
  kFileError,   // a file could not be read or written (in the engine: the debug file)
};

}  // namespace kelvane
