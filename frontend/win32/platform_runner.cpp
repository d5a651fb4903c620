// The runner and the probe as the window calls them on Windows.
#include "frontend/platform_runner.h"

#include "frontend/engine_image.h"
#include "frontend/win32/win32_platform.h"

namespace kelvane::frontend {

int RunEngine(std::string_view input_path, std::string_view output_path, signed char overwrite,
              signed char strip, const LogCallback& log, const ErrorBox& error_box) {
  Win32RunnerPlatform platform(EngineImage());
  return RunEngineWith(platform, input_path, output_path, overwrite, strip, log, error_box);
}

int64_t ProbeFileSize(std::string_view path) {
  Win32FileQueries queries;
  return ProbeFileSizeWith(queries, path);
}

// Nothing to install: the engine dies with this program (a job object), and
// the next run clears the folder an ended one left.
void InstallRunnerSignalCleanup() {}

}  // namespace kelvane::frontend
