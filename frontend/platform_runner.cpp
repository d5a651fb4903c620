// The runner and the probe as the window calls them: the portable runner and
// probe over this platform's services, the one seam chosen by CMake.
#include "frontend/platform_runner.h"

#include "frontend/engine_image.h"
#include "frontend/file_size_probe.h"
#include "frontend/runner.h"

namespace kelvane::frontend {

int RunEngine(std::string_view input_path, std::string_view output_path, signed char overwrite,
              signed char strip, const LogCallback& log, const ErrorBox& error_box) {
  const std::unique_ptr<RunnerPlatform> platform = MakeRunnerPlatform(EngineImage());
  return RunEngineWith(*platform, input_path, output_path, overwrite, strip, log, error_box);
}

int64_t ProbeFileSize(std::string_view path) {
  const std::unique_ptr<FileQueries> queries = MakeFileQueries();
  return ProbeFileSizeWith(*queries, path);
}

}  // namespace kelvane::frontend
