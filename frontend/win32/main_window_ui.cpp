// MainWindowUi over the real controls: texts, check marks, enabling, focus,
// the file-open dialog, the error box and the log list's rows.
// <windows.h> must come before the other Windows headers.
// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include "frontend/win32/main_window.h"

namespace kelvane::frontend {
namespace {

// One filter, "Lua Scripts (*.lua)" showing "*.lua"; the literal's own final
// zero closes the list.
constexpr char kLuaFilter[] = "Lua Scripts (*.lua)\0*.lua\0";
constexpr DWORD kResultBufferSize = 260;

}  // namespace

std::string Win32MainWindow::ControlText(int control) {
  HWND window = Control(control);
  std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

void Win32MainWindow::SetControlText(int control, std::string_view text) {
  SetWindowTextA(Control(control), std::string(text).c_str());
}

bool Win32MainWindow::IsChecked(int control) {
  return (SendMessageA(Control(control), BM_GETCHECK, 0, 0) & 1) != 0;
}

void Win32MainWindow::SetChecked(int control, bool checked) {
  SendMessageA(Control(control), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32MainWindow::IsEnabled(int control) { return IsWindowEnabled(Control(control)) != 0; }

void Win32MainWindow::SetEnabled(int control, bool enabled) {
  EnableWindow(Control(control), enabled ? TRUE : FALSE);
}

bool Win32MainWindow::IsVisible(int control) { return IsWindowVisible(Control(control)) != 0; }

bool Win32MainWindow::IsTabStop(int control) {
  return (GetWindowLongPtrA(Control(control), GWL_STYLE) & WS_TABSTOP) != 0;
}

int Win32MainWindow::FocusedControl() {
  HWND focused = GetFocus();
  if (focused == nullptr || GetParent(focused) != hwnd_) return kNoControl;
  return GetDlgCtrlID(focused);
}

void Win32MainWindow::FocusControl(int control) { SetFocus(Control(control)); }

void Win32MainWindow::ShowError(std::string_view message) {
  MessageBoxA(hwnd_, std::string(message).c_str(), "Error", MB_OK | MB_ICONERROR);
}

std::string Win32MainWindow::AskForFile(std::string_view title) {
  char result[kResultBufferSize] = {};
  const std::string title_text(title);
  OPENFILENAMEA dialog = {};
  // The record size of the classic layout, without the Windows 2000 tail.
  dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  dialog.hwndOwner = hwnd_;
  dialog.lpstrFilter = kLuaFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = result;
  dialog.nMaxFile = kResultBufferSize;
  dialog.lpstrTitle = title_text.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (GetOpenFileNameA(&dialog) == 0) return "";
  return result;
}

void Win32MainWindow::ClearLog() { SendMessageA(Control(kLogList), LB_RESETCONTENT, 0, 0); }

void Win32MainWindow::AppendLogRow(std::string_view row) {
  const std::string text(row);
  SendMessageA(Control(kLogList), LB_INSERTSTRING, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(text.c_str()));
}

int Win32MainWindow::LogRowCount() {
  return static_cast<int>(SendMessageA(Control(kLogList), LB_GETCOUNT, 0, 0));
}

void Win32MainWindow::SelectLogRow(int row) {
  SendMessageA(Control(kLogList), LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

void Win32MainWindow::RepaintLog() { UpdateWindow(Control(kLogList)); }

}  // namespace kelvane::frontend
