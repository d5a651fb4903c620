// Whole-file reading and safe writing of 8-bit files. Paths are byte strings
// handed to the platform as they are, never converted.
#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// 0 when the operation succeeded, otherwise the errno value of its cause.
struct FileStatus {
  int error = 0;
  bool ok() const { return error == 0; }
};

// Reads the whole file at `path` into `bytes`, unchanged.
FileStatus ReadWholeFile(const std::string& path, std::string& bytes);

// Replaces the file at `path` with `bytes`: writes a temporary file in the
// same folder and renames it over the target, so that a failed write leaves
// the target as it was and no partial file behind.
FileStatus WriteWholeFile(const std::string& path, std::string_view bytes);

// Creates the file at `path`, or empties it if it exists.
FileStatus CreateEmptyFile(const std::string& path);

// Appends `bytes` to the file at `path`, creating it if missing; the file is
// closed again before returning.
FileStatus AppendToFile(const std::string& path, std::string_view bytes);

}  // namespace kelvane
