// The engine file on POSIX: written owner-only and executable into a fresh
// private folder inside the temporary folder, and removed with it afterwards.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "frontend/posix/posix_platform.h"

namespace kelvane::frontend {
namespace {

constexpr char kFolderTemplate[] = "kelvane-XXXXXX";
constexpr char kEngineFileName[] = "Zorv_Kelvane";

bool WriteAll(int fd, std::span<const unsigned char> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes = bytes.subspan(static_cast<size_t>(written));
  }
  return true;
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

}  // namespace

std::string PosixTempFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string folder = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
  // The engine starts in the input's folder, so its path must not be relative.
  if (folder.front() != '/') {
    char current[4096];
    if (getcwd(current, sizeof current) == nullptr) return "/tmp/";
    folder = std::string(current) + '/' + folder;
  }
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::optional<std::string> PosixRunnerPlatform::WriteEngineFile() {
  // mkdtemp creates the folder exclusively and owner-only, so nobody else can
  // swap the program between writing and starting it.
  std::string folder = PosixTempFolder() + kFolderTemplate;
  if (mkdtemp(folder.data()) == nullptr) return std::nullopt;
  const std::string path = folder + '/' + kEngineFileName;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_TRUNC | O_CLOEXEC, 0700);
  if (fd < 0) {
    rmdir(folder.c_str());
    return std::nullopt;
  }
  // A program cut short would start and fail in unforeseeable ways, so a
  // failed write removes it and the run ends as if the file could not be opened.
  const bool written = WriteAll(fd, engine_image_);
  const bool closed = close(fd) == 0;
  if (!written || !closed) {
    RemoveEngineFile(path);
    return std::nullopt;
  }
  return path;
}

void PosixRunnerPlatform::RemoveEngineFile(const std::string& engine_path) {
  unlink(engine_path.c_str());
  rmdir(FolderOf(engine_path).c_str());
}

int64_t PosixRunnerPlatform::ProbeFileSize(std::string_view path) {
  PosixFileQueries queries;
  return ProbeFileSizeWith(queries, path);
}

}  // namespace kelvane::frontend
