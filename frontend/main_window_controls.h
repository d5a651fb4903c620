// The main window's controls as data: their numbers, kinds, places and texts
// in creation order, and the run lock list of controls disabled during a run.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace kelvane::frontend {

// Control numbers. Each is also the control's window identifier; there is
// no control 8.
inline constexpr int kMainFrame = 0;
inline constexpr int kInputLabel = 1;
inline constexpr int kInputField = 2;
inline constexpr int kInputBrowse = 3;
inline constexpr int kOutputLabel = 4;
inline constexpr int kOutputField = 5;
inline constexpr int kOutputBrowse = 6;
inline constexpr int kOptionsFrame = 7;
inline constexpr int kStripCheck = 9;
inline constexpr int kOverwriteCheck = 10;
inline constexpr int kStartButton = 11;
inline constexpr int kExitButton = 12;
inline constexpr int kLogFrame = 13;
inline constexpr int kLogList = 14;

// Stands for "no control", e.g. when the focus lies elsewhere.
inline constexpr int kNoControl = -1;

inline constexpr int kClientWidth = 350;
inline constexpr int kClientHeight = 340;

enum class ControlKind {
  kGroupFrame,  // group box, takes no focus
  kText,        // left-aligned static text, takes no focus
  kPathField,   // read-only single-line edit with a sunken edge
  kPushButton,  // plain push button
  kCheckBox,    // automatic check box
  kListBox,     // unsorted list box with a sunken edge
};

struct ControlLayout {
  int number;
  ControlKind kind;
  int x;
  int y;
  int width;
  int height;
  std::string_view text;
};

// Every control of the main window, in creation order.
std::span<const ControlLayout> MainWindowControls();

// Controls 2, 3, 5, 6, 9, 10, 11, 12, disabled and re-enabled in this order
// around a run. Frames, texts and the log list stay enabled.
inline constexpr std::array<int, 8> kRunLockList = {kInputField,   kInputBrowse, kOutputField,
                                                    kOutputBrowse, kStripCheck,  kOverwriteCheck,
                                                    kStartButton,  kExitButton};

}  // namespace kelvane::frontend
