// The engine as a Windows child process: started hidden with its standard
// output in an anonymous pipe, and the queries the runner asks of it.
#include <windows.h>

#include <algorithm>

#include "frontend/win32/win32_platform.h"

namespace kelvane::frontend {
namespace {

class Win32ChildProcess : public ChildProcess, public ByteSource {
 public:
  Win32ChildProcess(HANDLE process, HANDLE read_end) : process_(process), read_end_(read_end) {}
  ~Win32ChildProcess() override {
    CloseHandle(process_);
    CloseHandle(read_end_);
  }
  Win32ChildProcess(const Win32ChildProcess&) = delete;
  Win32ChildProcess& operator=(const Win32ChildProcess&) = delete;

  bool HasEnded() override { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }

  void WaitForEnd() override { WaitForSingleObject(process_, INFINITE); }

  int64_t BytesWaiting() override {
    DWORD available = 0;
    if (!PeekNamedPipe(read_end_, nullptr, 0, nullptr, &available, nullptr)) return 0;
    return available;
  }

  ByteSource& Output() override { return *this; }

  // Waits until the child writes or closes the pipe; a closed pipe fails.
  int64_t Read(char* buffer, size_t capacity) override {
    DWORD count = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<size_t>(capacity, MAXDWORD));
    if (!ReadFile(read_end_, buffer, wanted, &count, nullptr)) return -1;
    return count;
  }

 private:
  HANDLE process_;
  HANDLE read_end_;
};

}  // namespace

std::unique_ptr<ChildProcess> Win32RunnerPlatform::StartChild(const std::string& engine_path,
                                                              const std::string& command_line,
                                                              const std::string& working_folder) {
  SECURITY_ATTRIBUTES inheritable{};
  inheritable.nLength = sizeof inheritable;
  inheritable.bInheritHandle = TRUE;
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inheritable, 0)) return nullptr;

  // The front end keeps a read end the child does not inherit, so the pipe
  // closes as soon as the child's copy of the write end goes.
  HANDLE own_read_end = nullptr;
  const HANDLE self = GetCurrentProcess();
  const bool duplicated =
      DuplicateHandle(self, read_end, self, &own_read_end, 0, FALSE, DUPLICATE_SAME_ACCESS);
  CloseHandle(read_end);
  if (!duplicated) {
    CloseHandle(write_end);
    return nullptr;
  }

  // The engine is a console program; the console the system gives it stays
  // hidden.
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);

  PROCESS_INFORMATION started{};
  std::string line = command_line;  // CreateProcessA may write into it
  const BOOL ok = CreateProcessA(engine_path.c_str(), line.data(), nullptr, nullptr, TRUE,
                                 NORMAL_PRIORITY_CLASS, nullptr,
                                 working_folder.empty() ? nullptr : working_folder.c_str(),
                                 &startup, &started);
  CloseHandle(write_end);
  if (!ok) {
    CloseHandle(own_read_end);
    return nullptr;
  }
  CloseHandle(started.hThread);
  return std::make_unique<Win32ChildProcess>(started.hProcess, own_read_end);
}

}  // namespace kelvane::frontend
