// The runner and the probe as the window calls them, over this platform's
// services.
#include "frontend/platform_runner.h"

#include "frontend/engine_image.h"
#include "frontend/native_platform.h"

namespace kelvane::frontend {

int RunEngine(std::string_view input_path, std::string_view output_path, signed char overwrite,
              signed char strip, const LogCallback& log, const ErrorBox& error_box) {
  NativeRunnerPlatform platform(EngineImage());
  return RunEngineWith(platform, input_path, output_path, overwrite, strip, log, error_box);
}

int64_t ProbeFileSize(std::string_view path) {
  NativeFileQueries queries;
  return ProbeFileSizeWith(queries, path);
}

int64_t NativeRunnerPlatform::ProbeFileSize(std::string_view path) {
  return frontend::ProbeFileSize(path);
}

}  // namespace kelvane::frontend
