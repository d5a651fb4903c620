// The engine file on Windows: written as Zorv_Kelvane.exe into a fresh private
// folder inside the temporary folder, and removed with it afterwards. Folders
// that runs of ended programs left behind are cleared before each run.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string_view>

#include "frontend/platform_runner.h"
#include "frontend/win32/win32_platform.h"

namespace kelvane::frontend {
namespace {

constexpr DWORD kTempPathBuffer = 260;
constexpr char kEngineFileName[] = "Zorv_Kelvane.exe";
constexpr char kFolderPrefix[] = "kelvane-";
constexpr int kFolderAttempts = 100;
// The loader may hold the program file for a moment after the process ended.
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeleteRetryMilliseconds = 20;

using GetLongPathNameFunction = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);

std::string ParentFolderOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }

std::string HexText(unsigned long long value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value % 16]);
    value /= 16;
  } while (value != 0);
  return text;
}

// Creates a folder of a new name in `parent`; empty when none can be made,
// with the cause in `error`.
std::string CreatePrivateFolder(const std::string& parent, DWORD& error) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
    const std::string folder = parent + kFolderPrefix + HexText(GetCurrentProcessId()) + "-" +
                               HexText(GetTickCount()) + "-" + HexText(++counter);
    if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
    error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) break;
  }
  return std::string();
}

bool IsHexText(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// True while the process runs; a process of another user, which cannot be
// asked, counts as running.
bool ProcessIsRunning(DWORD process_id) {
  if (process_id == GetCurrentProcessId()) return true;
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, process_id);
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

// Removes the private folders (kelvane-PID-TICKS-N) whose program is gone:
// it was ended during a run, and the engine (ended with it) no longer holds
// the file. A folder that holds anything else is left alone.
void ClearStaleFolders(const std::string& temp) {
  WIN32_FIND_DATAA found{};
  const HANDLE search = FindFirstFileA((temp + kFolderPrefix + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string_view name = found.cFileName;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
    const std::string_view rest = name.substr(sizeof kFolderPrefix - 1);
    const size_t dash = rest.find('-');
    if (dash == std::string_view::npos || !IsHexText(rest.substr(0, dash))) continue;
    const DWORD process_id = std::strtoul(std::string(rest.substr(0, dash)).c_str(), nullptr, 16);
    if (ProcessIsRunning(process_id)) continue;
    const std::string folder = temp + std::string(name);
    DeleteFileA((folder + '\\' + kEngineFileName).c_str());
    RemoveDirectoryA(folder.c_str());
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

std::string CannotWrite(const std::string& folder, DWORD error) {
  return "Cannot write the formatting engine into '" + folder + "': " + Win32ErrorText(error);
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

std::string Win32ErrorText(unsigned long code) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  std::string text = length > 0 ? std::string(buffer, length) : "error " + std::to_string(code);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() &&
         (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

std::optional<EngineFile> NativeRunnerPlatform::WriteEngineFile(std::string& error) {
  const std::string temp = Win32TempFolder();
  ClearStaleFolders(temp);
  DWORD cause = ERROR_PATH_NOT_FOUND;
  const std::string folder = CreatePrivateFolder(temp, cause);
  if (folder.empty()) {
    error = CannotWrite(temp, cause);
    return std::nullopt;
  }
  const std::string path = folder + '\\' + kEngineFileName;
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = CannotWrite(temp, GetLastError());
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
  const DWORD write_error = complete ? ERROR_SUCCESS : GetLastError();
  const bool closed = CloseHandle(file);
  if (!complete || !closed) {
    error = CannotWrite(temp, write_error != ERROR_SUCCESS ? write_error
                              : closed                     ? ERROR_HANDLE_DISK_FULL
                                                           : GetLastError());
    RemoveEngineFile(EngineFile{path});
    return std::nullopt;
  }
  return EngineFile{path};
}

void NativeRunnerPlatform::RemoveEngineFile(const EngineFile& engine) {
  for (int attempt = 0; attempt < kDeleteAttempts; ++attempt) {
    if (DeleteFileA(engine.path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) break;
    Sleep(kDeleteRetryMilliseconds);
  }
  RemoveDirectoryA(ParentFolderOf(engine.path).c_str());
}

std::string NativeRunnerPlatform::AbsolutePath(std::string_view path) {
  if (path.empty()) return std::string();
  const std::string given(path);
  const DWORD size = GetFullPathNameA(given.c_str(), 0, nullptr, nullptr);
  if (size == 0) return given;
  std::string absolute(size, '\0');
  const DWORD length = GetFullPathNameA(given.c_str(), size, absolute.data(), nullptr);
  if (length == 0 || length >= size) return given;
  absolute.resize(length);
  return absolute;
}

bool NativeRunnerPlatform::PassesOneCommandLine() const { return true; }

// Nothing to install: the engine dies with this program (a job object), and
// the next run clears the folder an ended one left.
void InstallRunnerSignalCleanup() {}

}  // namespace kelvane::frontend
