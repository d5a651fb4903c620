// The engine runner and the file-size probe as the window calls them, each
// implemented once per platform with the engine program embedded.
#ifndef KELVANE_FRONTEND_PLATFORM_RUNNER_H_
#define KELVANE_FRONTEND_PLATFORM_RUNNER_H_

#include <cstdint>
#include <functional>
#include <string_view>

namespace kelvane::frontend {

using LogCallback = std::function<int(std::string_view line)>;   // may be empty
using ErrorBox = std::function<void(std::string_view message)>;  // modal "Error" box owned by the window

// One formatting run: writes the embedded engine into a fresh private folder in
// the temporary folder, runs it on the input, hands each shown line of its
// output to `log`, ends the log with "+OK Ready..." and removes the engine
// again. Returns 1 after a run, 0 when the input names no file, -1 when the
// engine cannot be written or started.
int RunEngine(std::string_view input_path, std::string_view output_path, signed char overwrite,
              signed char strip, const LogCallback& log, const ErrorBox& error_box);

// The file-size probe on this platform: the size, -1 when the path names
// nothing, -2 when it names a folder or a drive.
int64_t ProbeFileSize(std::string_view path);

}  // namespace kelvane::frontend

#endif  // KELVANE_FRONTEND_PLATFORM_RUNNER_H_
