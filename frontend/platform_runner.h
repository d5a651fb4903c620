// The engine runner and the file-size probe as the window calls them: the
// portable runner and probe over this platform's services (native_platform.h,
// the one platform seam).
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace kelvane::frontend {

using LogCallback = std::function<int(std::string_view line)>;  // may be empty
using ErrorBox =
    std::function<void(std::string_view message)>;  // modal "Error" box owned by the window

// The runner's results.
inline constexpr int kRunDone = 1;       // the engine ran and succeeded
inline constexpr int kRunNoInput = 0;    // the input names no file, or a path cannot be passed
inline constexpr int kRunNoEngine = -1;  // the engine could not be written or started
inline constexpr int kRunFailed = -2;    // the engine failed (exit status not 0, or a signal)

// One formatting run: writes the embedded engine into a fresh private folder in
// the temporary folder, runs it on the input with both paths made absolute,
// hands each shown line of its output (standard output and standard error)
// to `log`, and removes the engine again. The log ends with "+OK Ready..."
// when the engine succeeded, otherwise with a "-ERR Failed: " line that says
// why; when the engine cannot be written or started, that reason also goes
// to `error_box`.
int RunEngine(std::string_view input_path, std::string_view output_path, signed char overwrite,
              signed char strip, const LogCallback& log, const ErrorBox& error_box);

// The file-size probe on this platform: the size, -1 when the path names
// nothing, -2 when it names a folder or a drive.
int64_t ProbeFileSize(std::string_view path);

// For a program's main(), once: on POSIX, SIGINT, SIGTERM and SIGHUP first
// remove an engine file still being written, then end the program as they
// would have. On Windows nothing: a later run clears what an ended one left.
void InstallRunnerSignalCleanup();

}  // namespace kelvane::frontend
