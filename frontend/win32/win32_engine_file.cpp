// The engine file on Windows: written as Zorv_Kelvane.exe into a fresh private
// folder inside the temporary folder, and removed with it afterwards.
#include <windows.h>

#include "frontend/win32/win32_platform.h"

namespace kelvane::frontend {
namespace {

constexpr DWORD kTempPathBuffer = 260;
constexpr char kEngineFileName[] = "Zorv_Kelvane.exe";
constexpr int kFolderAttempts = 100;
// The loader may hold the program file for a moment after the process ended.
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeleteRetryMilliseconds = 20;

using GetLongPathNameFunction = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);

std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }

std::string HexText(unsigned long long value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value % 16]);
    value /= 16;
  } while (value != 0);
  return text;
}

// Creates a folder of a new name in `parent`; empty when none can be made.
std::string CreatePrivateFolder(const std::string& parent) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
    const std::string folder = parent + "kelvane-" + HexText(GetCurrentProcessId()) + "-" +
                               HexText(GetTickCount()) + "-" + HexText(++counter);
    if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return std::string();
}

}  // namespace

std::string Win32TempFolder() {
  char buffer[kTempPathBuffer] = {};
  DWORD length = GetTempPathA(kTempPathBuffer, buffer);
  if (length >= kTempPathBuffer) length = 0;
  // GetLongPathNameA is looked up at run time, as older systems lack it. When
  // it cannot give the long form the folder is kept as the system gave it.
  if (const HMODULE kernel = LoadLibraryA("Kernel32.DLL"); kernel != nullptr) {
    const auto get_long_path_name = reinterpret_cast<GetLongPathNameFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetLongPathNameA")));
    if (get_long_path_name != nullptr && length > 0) {
      char long_form[kTempPathBuffer] = {};
      const DWORD long_length = get_long_path_name(buffer, long_form, kTempPathBuffer);
      if (long_length > 0 && long_length < kTempPathBuffer) {
        CopyMemory(buffer, long_form, long_length);
        length = long_length;
      }
    }
    FreeLibrary(kernel);
  }
  std::string folder(buffer, length);
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

std::optional<std::string> Win32RunnerPlatform::WriteEngineFile() {
  const std::string folder = CreatePrivateFolder(Win32TempFolder());
  if (folder.empty()) return std::nullopt;
  const std::string path = folder + '\\' + kEngineFileName;
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    RemoveDirectoryA(folder.c_str());
    return std::nullopt;
  }
  // One write of the whole program. A program cut short would start and fail
  // in unforeseeable ways, so a short write ends the run as if the file could
  // not be opened.
  DWORD written = 0;
  const bool complete = WriteFile(file, engine_image_.data(),
                                  static_cast<DWORD>(engine_image_.size()), &written, nullptr) &&
                        written == engine_image_.size();
  const bool closed = CloseHandle(file);
  if (!complete || !closed) {
    RemoveEngineFile(path);
    return std::nullopt;
  }
  return path;
}

void Win32RunnerPlatform::RemoveEngineFile(const std::string& engine_path) {
  for (int attempt = 0; attempt < kDeleteAttempts; ++attempt) {
    if (DeleteFileA(engine_path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) break;
    Sleep(kDeleteRetryMilliseconds);
  }
  RemoveDirectoryA(FolderOf(engine_path).c_str());
}

int64_t Win32RunnerPlatform::ProbeFileSize(std::string_view path) {
  Win32FileQueries queries;
  return ProbeFileSizeWith(queries, path);
}

}  // namespace kelvane::frontend
