// The main window's event dispatch, Browse with the equal-paths rule, the
// checks and run at Start, and Tab focus movement in creation order.
#include "frontend/main_window_logic.h"

#include <span>
#include <string>
#include <utility>

#include "frontend/log_line.h"

namespace kelvane::frontend {

MainWindowLogic::MainWindowLogic(MainWindowUi& ui, EngineServices services)
    : ui_(ui), services_(std::move(services)) {}

bool MainWindowLogic::CreateControls() {
  for (const ControlLayout& control : MainWindowControls()) {
    if (!ui_.CreateControl(control)) return false;
  }
  return true;
}

LoopStep MainWindowLogic::Handle(const MainWindowEvent& event) {
  if (busy_) return LoopStep::kContinue;
  busy_ = true;
  LoopStep step = LoopStep::kContinue;
  switch (event.kind) {
    case EventKind::kCloseRequest:
      step = LoopStep::kEnd;
      break;
    case EventKind::kFocusNext:
      MoveFocus(/*forward=*/true);
      break;
    case EventKind::kFocusPrevious:
      MoveFocus(/*forward=*/false);
      break;
    case EventKind::kControl:
      // Fields, check boxes and the log list report actions too; only the
      // four buttons mean anything to the window.
      if (event.control == kExitButton) {
        step = LoopStep::kEnd;
      } else if (event.control == kInputBrowse) {
        Browse(kInputField);
      } else if (event.control == kOutputBrowse) {
        Browse(kOutputField);
      } else if (event.control == kStartButton) {
        Start();
      }
      break;
  }
  busy_ = false;
  return step;
}

// A chosen path fills the field; when it equals the other field's text byte
// for byte, the run can only overwrite, so "Overwrite Original" is checked
// and locked. Otherwise the check box is freed and cleared.
void MainWindowLogic::Browse(int field) {
  const bool is_input = field == kInputField;
  const std::string path = ui_.AskForFile(is_input ? kInputDialogTitle : kOutputDialogTitle);
  if (path.empty()) return;
  ui_.SetControlText(field, path);
  const int other_field = is_input ? kOutputField : kInputField;
  if (ui_.ControlText(other_field) == path) {
    ui_.SetChecked(kOverwriteCheck, true);
    ui_.SetEnabled(kOverwriteCheck, false);
  } else {
    ui_.SetEnabled(kOverwriteCheck, true);
    ui_.SetChecked(kOverwriteCheck, false);
  }
}

void MainWindowLogic::Start() {
  const std::string input_path = ui_.ControlText(kInputField);
  const std::string output_path = ui_.ControlText(kOutputField);
  const signed char strip = ui_.IsChecked(kStripCheck) ? 1 : 0;
  const signed char overwrite = ui_.IsChecked(kOverwriteCheck) ? 1 : 0;

  if (services_.probe_file_size(input_path) < 0) {
    ui_.ShowError(kInvalidInputMessage);
    return;
  }
  // Without overwriting, the engine creates the output file itself.
  if (overwrite == 1 && services_.probe_file_size(output_path) < 0) {
    ui_.ShowError(kInvalidOutputMessage);
    return;
  }

  ui_.ClearLog();
  for (int control : kRunLockList) ui_.SetEnabled(control, false);
  const LogCallback log = [this](std::string_view line) { return AppendLogLine(line); };
  const ErrorBox error_box = [this](std::string_view message) { ui_.ShowError(message); };
  services_.run_engine(input_path, output_path, overwrite, strip, log, error_box);
  // Also frees check box 10 when the equal-paths rule had locked it; its
  // mark stays as it is.
  for (int control : kRunLockList) ui_.SetEnabled(control, true);
}

int MainWindowLogic::AppendLogLine(std::string_view line) {
  ui_.AppendLogRow(ExpandTabs(line));
  ui_.SelectLogRow(ui_.LogRowCount() - 1);
  ui_.RepaintLog();
  return 0;
}

bool MainWindowLogic::IsEligibleForFocus(int control) {
  return ui_.IsVisible(control) && ui_.IsEnabled(control) && ui_.IsTabStop(control);
}

// Tab walks the controls in creation order to the next eligible one,
// wrapping from the last to the first; Shift+Tab walks backwards. From no
// focused control, Tab starts before the first and Shift+Tab after the last.
void MainWindowLogic::MoveFocus(bool forward) {
  const std::span<const ControlLayout> controls = MainWindowControls();
  const int count = static_cast<int>(controls.size());
  const int focused = ui_.FocusedControl();
  int position = forward ? -1 : count;
  for (int i = 0; i < count; ++i) {
    if (controls[i].number == focused) position = i;
  }
  const int step = forward ? 1 : -1;
  for (int moved = 1; moved <= count; ++moved) {
    const int candidate = controls[((position + step * moved) % count + count) % count].number;
    if (IsEligibleForFocus(candidate)) {
      ui_.FocusControl(candidate);
      return;
    }
  }
}

}  // namespace kelvane::frontend
