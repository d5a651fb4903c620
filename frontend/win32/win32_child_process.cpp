// The engine as a Windows child process: started hidden with its standard
// output and standard error in one anonymous pipe, inside a job object that
// ends it when this program ends, and the queries the runner asks of it.
#include <windows.h>

#include <algorithm>

#include "frontend/win32/win32_platform.h"

namespace kelvane::frontend {
namespace {

class Win32ChildProcess : public ChildProcess, public ByteSource {
 public:
  Win32ChildProcess(HANDLE process, HANDLE read_end, HANDLE job)
      : process_(process), read_end_(read_end), job_(job) {}
  ~Win32ChildProcess() override {
    CloseHandle(process_);
    CloseHandle(read_end_);
    // Closing the last handle of the job ends what still runs in it.
    if (job_ != nullptr) CloseHandle(job_);
  }
  Win32ChildProcess(const Win32ChildProcess&) = delete;
  Win32ChildProcess& operator=(const Win32ChildProcess&) = delete;

  bool HasEnded() override { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }

  void WaitForEnd() override { WaitForSingleObject(process_, INFINITE); }

  ChildExit Exit() override {
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) return {};
    return {.by_signal = false, .code = static_cast<int64_t>(code)};
  }

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
  HANDLE job_;
};

// A job that ends its processes when its last handle closes, as it does when
// this program ends in any way; null when the system cannot make one.
HANDLE CreateKillOnCloseJob() {
  const HANDLE job = CreateJobObjectA(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    CloseHandle(job);
    return nullptr;
  }
  return job;
}

}  // namespace

std::unique_ptr<ChildProcess> NativeRunnerPlatform::StartChild(const EngineFile& engine,
                                                               const EngineCommand& command,
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
  startup.hStdError = write_end;  // the engine's error lines belong in the log too

  // Started suspended, so that it is in the job before it can do anything.
  PROCESS_INFORMATION started{};
  std::string line = command.line;  // CreateProcessA may write into it
  const BOOL ok =
      CreateProcessA(engine.path.c_str(), line.data(), nullptr, nullptr, TRUE,
                     NORMAL_PRIORITY_CLASS | CREATE_SUSPENDED, nullptr,
                     working_folder.empty() ? nullptr : working_folder.c_str(), &startup, &started);
  CloseHandle(write_end);
  if (!ok) {
    CloseHandle(own_read_end);
    return nullptr;
  }
  HANDLE job = CreateKillOnCloseJob();
  if (job != nullptr && !AssignProcessToJobObject(job, started.hProcess)) {
    CloseHandle(job);  // e.g. an older system that allows no nested job: run without
    job = nullptr;
  }
  ResumeThread(started.hThread);
  CloseHandle(started.hThread);
  return std::make_unique<Win32ChildProcess>(started.hProcess, own_read_end, job);
}

}  // namespace kelvane::frontend
