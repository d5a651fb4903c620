// The main window's view of its user interface: controls addressed by their
// numbers, the file dialog, the error box and the log list. Win32 implements
// it for real; tests implement it with a fake.
#pragma once

#include <string>
#include <string_view>

#include "frontend/main_window_controls.h"

namespace kelvane::frontend {

class MainWindowUi {
 public:
  virtual ~MainWindowUi() = default;

  // Creates one control, with the default GUI font; false when it fails.
  virtual bool CreateControl(const ControlLayout& layout) = 0;

  virtual std::string ControlText(int control) = 0;
  virtual void SetControlText(int control, std::string_view text) = 0;
  virtual bool IsChecked(int control) = 0;
  virtual void SetChecked(int control, bool checked) = 0;
  virtual bool IsEnabled(int control) = 0;
  virtual void SetEnabled(int control, bool enabled) = 0;
  virtual bool IsVisible(int control) = 0;
  virtual bool IsTabStop(int control) = 0;

  // The control that holds the keyboard focus, or kNoControl.
  virtual int FocusedControl() = 0;
  virtual void FocusControl(int control) = 0;

  // A modal box owned by the window, captioned "Error", with an error icon
  // and an OK button.
  virtual void ShowError(std::string_view message) = 0;

  // The modal file-open dialog under `title`: the full path chosen, or the
  // empty text when the user cancels or the dialog fails.
  virtual std::string AskForFile(std::string_view title) = 0;

  virtual void ClearLog() = 0;
  virtual void AppendLogRow(std::string_view row) = 0;
  virtual int LogRowCount() = 0;
  virtual void SelectLogRow(int row) = 0;
  // Draws the log list now, since no messages are serviced during a run.
  virtual void RepaintLog() = 0;
};

}  // namespace kelvane::frontend
