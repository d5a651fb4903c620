// The real main window on Win32: window class "Kelvane", its controls, the
// event loop with the Tab accelerators, and MainWindowUi over them. Window
// messages only become events for MainWindowLogic.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "frontend/main_window_logic.h"
#include "frontend/main_window_ui.h"

namespace kelvane::frontend {

class Win32MainWindow final : public MainWindowUi {
 public:
  Win32MainWindow(HINSTANCE instance, EngineServices services);
  ~Win32MainWindow() override;
  Win32MainWindow(const Win32MainWindow&) = delete;
  Win32MainWindow& operator=(const Win32MainWindow&) = delete;

  // Registers the class, creates and shows the window, then its controls.
  // False when any of it fails.
  bool Create();

  // Waits for and dispatches messages until Exit or a close request, then
  // destroys the window.
  void RunEventLoop();

  bool CreateControl(const ControlLayout& layout) override;
  std::string ControlText(int control) override;
  void SetControlText(int control, std::string_view text) override;
  bool IsChecked(int control) override;
  void SetChecked(int control, bool checked) override;
  bool IsEnabled(int control) override;
  void SetEnabled(int control, bool enabled) override;
  bool IsVisible(int control) override;
  bool IsTabStop(int control) override;
  int FocusedControl() override;
  void FocusControl(int control) override;
  void ShowError(std::string_view message) override;
  std::string AskForFile(std::string_view title) override;
  void ClearLog() override;
  void AppendLogRow(std::string_view row) override;
  int LogRowCount() override;
  void SelectLogRow(int row) override;
  void RepaintLog() override;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void Dispatch(const MainWindowEvent& event);
  HWND Control(int number) const { return GetDlgItem(hwnd_, number); }

  HINSTANCE instance_;
  MainWindowLogic logic_;
  HWND hwnd_ = nullptr;
  HACCEL accelerators_ = nullptr;
  HBRUSH log_brush_ = nullptr;
};

}  // namespace kelvane::frontend
