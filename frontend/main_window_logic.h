// The main window's behaviour as a state machine over MainWindowUi: it turns
// events (control actions, close requests, Tab keys) into browsing, checks,
// runs of the engine and focus moves, and says when the event loop ends.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "frontend/main_window_controls.h"
#include "frontend/main_window_ui.h"
#include "frontend/platform_runner.h"

namespace kelvane::frontend {

enum class EventKind {
  kControl,        // a command notification from control `control`
  kCloseRequest,   // close box, window menu Close or the close keystroke
  kFocusNext,      // the Tab accelerator
  kFocusPrevious,  // the Shift+Tab accelerator
};

struct MainWindowEvent {
  EventKind kind;
  int control = kNoControl;
};

enum class LoopStep { kContinue, kEnd };

// The runner's services, injected so that tests can stand in for them.
struct EngineServices {
  std::function<int64_t(std::string_view path)> probe_file_size;
  std::function<int(std::string_view input_path, std::string_view output_path,
                    signed char overwrite, signed char strip, const LogCallback& log,
                    const ErrorBox& error_box)>
      run_engine;
};

inline constexpr std::string_view kInvalidInputMessage = "Please give a valid input file!";
inline constexpr std::string_view kInvalidOutputMessage = "Please give a valid output file!";
inline constexpr std::string_view kInputDialogTitle = "Select an input file";
inline constexpr std::string_view kOutputDialogTitle = "Select an output file";

class MainWindowLogic {
 public:
  MainWindowLogic(MainWindowUi& ui, EngineServices services);

  // Start-up: creates the controls in creation order. False, and no further
  // control created, when one cannot be created.
  bool CreateControls();

  // Handles one event. Events that arrive while another is being handled
  // (from the modal loop of a dialog or error box) are ignored, so nothing
  // the user does reaches the window before a run or a dialog has ended.
  LoopStep Handle(const MainWindowEvent& event);

  // The log callback handed to the runner: the line with TABs expanded
  // becomes the selected last row, drawn at once. Always answers 0.
  int AppendLogLine(std::string_view line);

 private:
  void Browse(int field);
  void Start();
  void MoveFocus(bool forward);
  bool IsEligibleForFocus(int control);

  MainWindowUi& ui_;
  EngineServices services_;
  bool busy_ = false;
};

}  // namespace kelvane::frontend
