// The main window's control table. The top block is laid out from a running
// vertical position: rows 27 pixels apart, labels 3 pixels below their row.
#include "frontend/main_window_controls.h"

namespace kelvane::frontend {
namespace {

constexpr int kFirstRow = 30;
constexpr int kRowStep = 27;
constexpr int kSecondRow = kFirstRow + kRowStep;
constexpr int kOptionsTop = kSecondRow + kRowStep;
constexpr int kLabelDrop = 3;

constexpr ControlLayout kControls[] = {
    {kMainFrame, ControlKind::kGroupFrame, 5, 5, 340, 170,
     "Kelvane GUI by Ostrawick, Kelvane by Velkarin"},
    {kInputLabel, ControlKind::kText, 10, kFirstRow + kLabelDrop, 40, 22, "Input:"},
    {kInputField, ControlKind::kPathField, 50, kFirstRow, 225, 22, ""},
    {kInputBrowse, ControlKind::kPushButton, 280, kFirstRow, 60, 22, "Browse"},
    {kOutputLabel, ControlKind::kText, 10, kSecondRow + kLabelDrop, 40, 22, "Output:"},
    {kOutputField, ControlKind::kPathField, 50, kSecondRow, 225, 22, ""},
    {kOutputBrowse, ControlKind::kPushButton, 280, kSecondRow, 60, 22, "Browse"},
    {kStartButton, ControlKind::kPushButton, 265, 148, 75, 22, "&Start"},
    {kExitButton, ControlKind::kPushButton, 185, 148, 75, 22, "&Exit"},
    {kOptionsFrame, ControlKind::kGroupFrame, 10, kOptionsTop, 330, 60, "Options"},
    {kStripCheck, ControlKind::kCheckBox, 20, kOptionsTop + 15, 100, 22, "Strip Comments"},
    {kOverwriteCheck, ControlKind::kCheckBox, 20, kOptionsTop + 15 + 18, 100, 22,
     "Overwrite Original"},
    {kLogFrame, ControlKind::kGroupFrame, 5, 180, 340, 155, "Log"},
    {kLogList, ControlKind::kListBox, 10, 195, 330, 135, ""},
};

}  // namespace

std::span<const ControlLayout> MainWindowControls() { return kControls; }

}  // namespace kelvane::frontend
