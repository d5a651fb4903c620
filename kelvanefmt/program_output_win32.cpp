// CreateProcess with standard output and standard error on two pipes, each
// read to its end on a thread of its own, so that neither fills while the
// other is read. The command line quotes each argument the way the C
// runtime splits it again.

#include <windows.h>

#include <thread>

#include "kelvanefmt/program_output.h"

namespace kelvane::fmt {
namespace {

// Backslashes are literal unless they come before a quote: there they are
// doubled, and the quote is escaped.
void AppendQuoted(std::string& line, const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
    line += arg;
    return;
  }
  line.push_back('"');
  size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    line.push_back(c);
  }
  line.append(backslashes * 2, '\\');
  line.push_back('"');
}

void ReadAll(HANDLE handle, std::string& sink) {
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(handle, buffer, sizeof buffer, &got, nullptr) && got > 0)
    sink.append(buffer, got);
}

struct Handle {
  HANDLE value = nullptr;
  ~Handle() {
    if (value != nullptr && value != INVALID_HANDLE_VALUE) CloseHandle(value);
  }
};

}  // namespace

ProgramOutput RunProgram(const std::vector<std::string>& args) {
  ProgramOutput result;
  if (args.empty()) return result;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle out_read, out_write, err_read, err_write, nul;
  if (!CreatePipe(&out_read.value, &out_write.value, &inherit, 0) ||
      !CreatePipe(&err_read.value, &err_write.value, &inherit, 0)) {
    return result;
  }
  SetHandleInformation(out_read.value, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(err_read.value, HANDLE_FLAG_INHERIT, 0);
  nul.value = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                          OPEN_EXISTING, 0, nullptr);
  std::string line;
  for (const std::string& arg : args) {
    if (!line.empty()) line.push_back(' ');
    AppendQuoted(line, arg);
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul.value;
  startup.hStdOutput = out_write.value;
  startup.hStdError = err_write.value;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process)) {
    return result;
  }
  result.started = true;
  CloseHandle(process.hThread);
  CloseHandle(out_write.value);
  out_write.value = nullptr;
  CloseHandle(err_write.value);
  err_write.value = nullptr;
  std::thread err_reader([&] { ReadAll(err_read.value, result.err); });
  ReadAll(out_read.value, result.out);
  err_reader.join();
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  if (GetExitCodeProcess(process.hProcess, &code)) result.exit_status = static_cast<int>(code);
  CloseHandle(process.hProcess);
  return result;
}

}  // namespace kelvane::fmt
