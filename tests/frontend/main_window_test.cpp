// The main window's state machine driven through a fake UI and a fake
// runner: dispatch, Browse with the equal-paths rule, Start, and Tab focus.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/main_window_logic.h"

namespace kelvane::frontend {
namespace {

struct FakeControl {
  std::string text;
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  bool tab_stop = false;
};

// Holds the controls' state as plain data and records what the window asks
// of the platform.
class FakeUi : public MainWindowUi {
 public:
  FakeUi() {
    for (const ControlLayout& layout : MainWindowControls()) {
      FakeControl control;
      control.tab_stop =
          layout.kind != ControlKind::kGroupFrame && layout.kind != ControlKind::kText;
      controls_[layout.number] = control;
    }
  }

  FakeControl& Control(int number) { return controls_.at(number); }

  bool CreateControl(const ControlLayout& control) override {
    created.push_back(control.number);
    return control.number != failing_control;
  }

  std::string ControlText(int control) override { return Control(control).text; }
  void SetControlText(int control, std::string_view text) override {
    Control(control).text = std::string(text);
  }
  bool IsChecked(int control) override { return Control(control).checked; }
  void SetChecked(int control, bool checked) override { Control(control).checked = checked; }
  bool IsEnabled(int control) override { return Control(control).enabled; }
  void SetEnabled(int control, bool enabled) override {
    Control(control).enabled = enabled;
    enable_calls.push_back(enabled ? control : -control);
  }
  bool IsVisible(int control) override { return Control(control).visible; }
  bool IsTabStop(int control) override { return Control(control).tab_stop; }
  int FocusedControl() override { return focused; }
  void FocusControl(int control) override { focused = control; }
  void ShowError(std::string_view message) override { errors.emplace_back(message); }
  std::string AskForFile(std::string_view title) override {
    dialog_titles.emplace_back(title);
    if (dialog_answers.empty()) return "";
    std::string answer = dialog_answers.front();
    dialog_answers.pop_front();
    return answer;
  }
  void ClearLog() override {
    log_rows.clear();
    selected_row = -1;
  }
  void AppendLogRow(std::string_view row) override { log_rows.emplace_back(row); }
  int LogRowCount() override { return static_cast<int>(log_rows.size()); }
  void SelectLogRow(int row) override { selected_row = row; }
  void RepaintLog() override { ++repaints; }

  std::vector<int> created;
  int failing_control = kNoControl;
  int focused = kNoControl;
  std::deque<std::string> dialog_answers;
  std::vector<std::string> dialog_titles;
  std::vector<std::string> errors;
  std::vector<std::string> log_rows;
  int selected_row = -1;
  int repaints = 0;
  // Control numbers, negated when the control was disabled.
  std::vector<int> enable_calls;

 private:
  std::map<int, FakeControl> controls_;
};

struct RunCall {
  std::string input;
  std::string output;
  int overwrite;
  int strip;
};

// A probe over a set of known files, and a runner that records its call,
// what the window looked like during the run, and feeds the log lines.
struct FakeEngine {
  std::map<std::string, int64_t> files;  // path -> size; -2 for folders
  std::vector<std::string> lines_to_log;
  std::optional<std::string> error_to_show;
  std::function<void()> during_run;
  std::vector<RunCall> calls;
  std::vector<int> enabled_during_run;
  std::vector<std::string> log_at_run_start;
  FakeUi* ui = nullptr;

  EngineServices Services() {
    return EngineServices{
        [this](std::string_view path) -> int64_t {
          auto found = files.find(std::string(path));
          return found == files.end() ? -1 : found->second;
        },
        [this](std::string_view input, std::string_view output, signed char overwrite,
               signed char strip, const LogCallback& log, const ErrorBox& error_box) {
          calls.push_back({std::string(input), std::string(output), overwrite, strip});
          log_at_run_start = ui->log_rows;
          for (const ControlLayout& control : MainWindowControls()) {
            if (ui->IsEnabled(control.number)) enabled_during_run.push_back(control.number);
          }
          if (during_run) during_run();
          if (error_to_show) error_box(*error_to_show);
          for (const std::string& line : lines_to_log) EXPECT_EQ(log(line), 0);
          log("+OK Ready...");
          return 1;
        }};
  }
};

struct Window {
  Window() : logic(ui, (engine.ui = &ui, engine.Services())) {}
  FakeUi ui;
  FakeEngine engine;
  MainWindowLogic logic;

  LoopStep Click(int control) { return logic.Handle({EventKind::kControl, control}); }
  void Browse(int browse_button, std::string answer) {
    ui.dialog_answers.push_back(std::move(answer));
    Click(browse_button);
  }
};

TEST(MainWindowStartUp, CreatesTheControlsInCreationOrderAndStopsAtAFailure) {
  struct Row {
    const char* name;
    int failing_control;
    bool expected_result;
    std::vector<int> expected_created;
  };
  const Row rows[] = {
      {"all created", kNoControl, true, {0, 1, 2, 3, 4, 5, 6, 11, 12, 7, 9, 10, 13, 14}},
      {"Exit fails", kExitButton, false, {0, 1, 2, 3, 4, 5, 6, 11, 12}},
      {"first fails", kMainFrame, false, {0}},
      {"log list fails", kLogList, false, {0, 1, 2, 3, 4, 5, 6, 11, 12, 7, 9, 10, 13, 14}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Window window;
    window.ui.failing_control = row.failing_control;
    EXPECT_EQ(window.logic.CreateControls(), row.expected_result);
    EXPECT_EQ(window.ui.created, row.expected_created);
  }
}

TEST(MainWindowDispatch, OnlyExitCloseBrowseAndStartDoAnything) {
  struct Row {
    MainWindowEvent event;
    LoopStep expected_step;
    std::vector<std::string> expected_dialogs;
    std::vector<std::string> expected_errors;
  };
  const Row rows[] = {
      {{EventKind::kControl, kExitButton}, LoopStep::kEnd, {}, {}},
      {{EventKind::kCloseRequest}, LoopStep::kEnd, {}, {}},
      {{EventKind::kControl, kInputBrowse}, LoopStep::kContinue, {"Select an input file"}, {}},
      {{EventKind::kControl, kOutputBrowse}, LoopStep::kContinue, {"Select an output file"}, {}},
      {{EventKind::kControl, kStartButton},
       LoopStep::kContinue,
       {},
       {"Please give a valid input file!"}},
      {{EventKind::kControl, kInputField}, LoopStep::kContinue, {}, {}},
      {{EventKind::kControl, kOutputField}, LoopStep::kContinue, {}, {}},
      {{EventKind::kControl, kStripCheck}, LoopStep::kContinue, {}, {}},
      {{EventKind::kControl, kOverwriteCheck}, LoopStep::kContinue, {}, {}},
      {{EventKind::kControl, kLogList}, LoopStep::kContinue, {}, {}},
      {{EventKind::kControl, kMainFrame}, LoopStep::kContinue, {}, {}},
      {{EventKind::kControl, 8}, LoopStep::kContinue, {}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "event kind " << static_cast<int>(row.event.kind)
                                    << ", control " << row.event.control);
    Window window;
    EXPECT_EQ(window.logic.Handle(row.event), row.expected_step);
    EXPECT_EQ(window.ui.dialog_titles, row.expected_dialogs);
    EXPECT_EQ(window.ui.errors, row.expected_errors);
    EXPECT_TRUE(window.engine.calls.empty());
  }
}

TEST(MainWindowBrowse, FillsTheFieldAndAppliesTheEqualPathsRule) {
  struct Row {
    const char* name;
    std::string input_before;
    std::string output_before;
    bool overwrite_checked_before;
    bool overwrite_enabled_before;
    int browse_button;
    std::string answer;  // empty: the dialog was cancelled
    std::string expected_input;
    std::string expected_output;
    bool expected_checked;
    bool expected_enabled;
  };
  const std::string a = "C:\\mods\\ai.lua";
  const std::string b = "C:\\mods\\ai_new.lua";
  const Row rows[] = {
      {"input into empty fields", "", "", false, true, kInputBrowse, a, a, "", false, true},
      {"output into empty fields", "", "", false, true, kOutputBrowse, b, "", b, false, true},
      {"output equal to input", a, "", false, true, kOutputBrowse, a, a, a, true, false},
      {"input equal to output", "", a, false, true, kInputBrowse, a, a, a, true, false},
      {"paths differing in case only", a, "", false, true, kOutputBrowse, "C:\\MODS\\ai.lua", a,
       "C:\\MODS\\ai.lua", false, true},
      {"other output after equal paths", a, a, true, false, kOutputBrowse, b, a, b, false, true},
      {"other output clears a mark set by hand", a, b, true, true, kOutputBrowse, "C:\\x.lua", a,
       "C:\\x.lua", false, true},
      {"cancel keeps locked check box", a, a, true, false, kOutputBrowse, "", a, a, true, false},
      {"cancel keeps a hand-set mark", a, b, true, true, kInputBrowse, "", a, b, true, true},
      {"name without extension", "", "", false, true, kInputBrowse, "C:\\mods\\ai", "C:\\mods\\ai",
       "", false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Window window;
    window.ui.Control(kInputField).text = row.input_before;
    window.ui.Control(kOutputField).text = row.output_before;
    window.ui.Control(kOverwriteCheck).checked = row.overwrite_checked_before;
    window.ui.Control(kOverwriteCheck).enabled = row.overwrite_enabled_before;
    window.Browse(row.browse_button, row.answer);
    EXPECT_EQ(window.ui.Control(kInputField).text, row.expected_input);
    EXPECT_EQ(window.ui.Control(kOutputField).text, row.expected_output);
    EXPECT_EQ(window.ui.Control(kOverwriteCheck).checked, row.expected_checked);
    EXPECT_EQ(window.ui.Control(kOverwriteCheck).enabled, row.expected_enabled);
  }
}

TEST(MainWindowStart, ChecksThePathsBeforeRunning) {
  struct Row {
    const char* name;
    std::string input;
    std::string output;
    bool strip;
    bool overwrite;
    std::vector<std::string> expected_errors;
    std::optional<RunCall> expected_run;
  };
  const std::string in = "C:\\w\\in.lua";      // exists
  const std::string out = "C:\\w\\out.lua";    // exists
  const std::string fresh = "C:\\w\\new.lua";  // does not exist
  const std::string folder = "C:\\w";          // a folder
  const std::string empty_file = "C:\\w\\empty.lua";
  const Row rows[] = {
      {"both fields empty", "", "", false, false, {"Please give a valid input file!"}, {}},
      {"input missing", fresh, out, false, false, {"Please give a valid input file!"}, {}},
      {"input is a folder", folder, out, false, false, {"Please give a valid input file!"}, {}},
      {"input missing wins over output",
       fresh,
       fresh,
       false,
       true,
       {"Please give a valid input file!"},
       {}},
      {"empty input file is valid",
       empty_file,
       out,
       false,
       false,
       {},
       RunCall{empty_file, out, 0, 0}},
      {"empty output, overwrite off", in, "", false, false, {}, RunCall{in, "", 0, 0}},
      {"new output, overwrite off", in, fresh, true, false, {}, RunCall{in, fresh, 0, 1}},
      {"new output, overwrite on",
       in,
       fresh,
       false,
       true,
       {"Please give a valid output file!"},
       {}},
      {"empty output, overwrite on", in, "", false, true, {"Please give a valid output file!"}, {}},
      {"folder output, overwrite on",
       in,
       folder,
       false,
       true,
       {"Please give a valid output file!"},
       {}},
      {"existing output, overwrite on", in, out, true, true, {}, RunCall{in, out, 1, 1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Window window;
    window.engine.files = {{in, 120}, {out, 7}, {empty_file, 0}, {folder, -2}};
    window.ui.Control(kInputField).text = row.input;
    window.ui.Control(kOutputField).text = row.output;
    window.ui.Control(kStripCheck).checked = row.strip;
    window.ui.Control(kOverwriteCheck).checked = row.overwrite;
    window.ui.log_rows = {"row of the last run"};
    EXPECT_EQ(window.Click(kStartButton), LoopStep::kContinue);
    EXPECT_EQ(window.ui.errors, row.expected_errors);
    if (row.expected_run) {
      ASSERT_EQ(window.engine.calls.size(), 1u);
      const RunCall& call = window.engine.calls[0];
      EXPECT_EQ(call.input, row.expected_run->input);
      EXPECT_EQ(call.output, row.expected_run->output);
      EXPECT_EQ(call.overwrite, row.expected_run->overwrite);
      EXPECT_EQ(call.strip, row.expected_run->strip);
      EXPECT_TRUE(window.engine.log_at_run_start.empty());
    } else {
      EXPECT_TRUE(window.engine.calls.empty());
      EXPECT_EQ(window.ui.log_rows, std::vector<std::string>{"row of the last run"});
    }
  }
}

TEST(MainWindowStart, LocksTheRunLockListInOrderAroundTheRun) {
  Window window;
  window.engine.files = {{"in.lua", 10}};
  window.Browse(kInputBrowse, "in.lua");
  window.Browse(kOutputBrowse, "in.lua");  // locks check box 10, checked
  window.ui.enable_calls.clear();
  window.Click(kStartButton);

  const std::vector<int> expected_calls = {-2, -3, -5, -6, -9, -10, -11, -12,
                                           2,  3,  5,  6,  9,  10,  11,  12};
  EXPECT_EQ(window.ui.enable_calls, expected_calls);
  const std::vector<int> expected_enabled = {0, 1, 4, 7, 13, 14};
  EXPECT_EQ(window.engine.enabled_during_run, expected_enabled);
  ASSERT_EQ(window.engine.calls.size(), 1u);
  EXPECT_EQ(window.engine.calls[0].overwrite, 1);
  // The run frees check box 10 but keeps its mark.
  EXPECT_TRUE(window.ui.Control(kOverwriteCheck).enabled);
  EXPECT_TRUE(window.ui.Control(kOverwriteCheck).checked);

  // Unchecked by hand, the next run passes the input path as output path.
  window.ui.Control(kOverwriteCheck).checked = false;
  window.Click(kStartButton);
  ASSERT_EQ(window.engine.calls.size(), 2u);
  EXPECT_EQ(window.engine.calls[1].output, "in.lua");
  EXPECT_EQ(window.engine.calls[1].overwrite, 0);
}

TEST(MainWindowLog, ShowsEachLineWithTabsExpandedAndSelectsTheLastRow) {
  Window window;
  window.engine.files = {{"in.lua", 10}};
  window.ui.Control(kInputField).text = "in.lua";
  window.engine.lines_to_log = {"Parsing file...\t[in.lua]", "\tStage", "\t\tpass...", "\tx\t",
                                "   "};
  window.Click(kStartButton);
  const std::vector<std::string> expected = {"Parsing file...    [in.lua]",
                                             "    Stage",
                                             "        pass...",
                                             "    x    ",
                                             "   ",
                                             "+OK Ready..."};
  EXPECT_EQ(window.ui.log_rows, expected);
  EXPECT_EQ(window.ui.selected_row, 5);
  EXPECT_EQ(window.ui.repaints, 6);

  // A Start that fails its checks keeps the log of the last run.
  window.ui.Control(kInputField).text = "gone.lua";
  window.Click(kStartButton);
  EXPECT_EQ(window.ui.log_rows, expected);
}

TEST(MainWindowLog, RunnerErrorsGoToTheWindowsErrorBox) {
  Window window;
  window.engine.files = {{"in.lua", 10}};
  window.ui.Control(kInputField).text = "in.lua";
  window.engine.error_to_show = "Selected file could not be found!";
  window.Click(kStartButton);
  EXPECT_EQ(window.ui.errors, std::vector<std::string>{"Selected file could not be found!"});
}

TEST(MainWindowEvents, EventsDuringARunOrDialogAreIgnored) {
  Window window;
  window.engine.files = {{"in.lua", 10}};
  window.ui.Control(kInputField).text = "in.lua";
  // Stands for a modal loop inside the run (the runner's error box) that
  // dispatches messages queued for the main window.
  std::vector<LoopStep> steps;
  window.engine.during_run = [&] {
    steps.push_back(window.Click(kExitButton));
    steps.push_back(window.logic.Handle({EventKind::kCloseRequest}));
    steps.push_back(window.Click(kInputBrowse));
    steps.push_back(window.Click(kStartButton));
    steps.push_back(window.logic.Handle({EventKind::kFocusNext}));
  };
  EXPECT_EQ(window.Click(kStartButton), LoopStep::kContinue);
  EXPECT_EQ(steps, std::vector<LoopStep>(5, LoopStep::kContinue));
  EXPECT_EQ(window.engine.calls.size(), 1u);
  EXPECT_TRUE(window.ui.dialog_titles.empty());
  EXPECT_EQ(window.ui.focused, kNoControl);
  // Once the run is over, events count again.
  EXPECT_EQ(window.Click(kExitButton), LoopStep::kEnd);
}

TEST(MainWindowFocus, TabWalksEligibleControlsInCreationOrder) {
  struct Row {
    const char* name;
    EventKind key;
    int focused;
    std::vector<int> disabled;
    std::vector<int> hidden;
    int expected;
  };
  const Row rows[] = {
      {"Tab from input field", EventKind::kFocusNext, kInputField, {}, {}, kInputBrowse},
      {"Tab from Start", EventKind::kFocusNext, kStartButton, {}, {}, kExitButton},
      {"Tab from Exit", EventKind::kFocusNext, kExitButton, {}, {}, kStripCheck},
      {"Tab from log list wraps", EventKind::kFocusNext, kLogList, {}, {}, kInputField},
      {"Tab without focus", EventKind::kFocusNext, kNoControl, {}, {}, kInputField},
      {"Tab skips disabled check box",
       EventKind::kFocusNext,
       kStripCheck,
       {kOverwriteCheck},
       {},
       kLogList},
      {"Tab skips hidden control",
       EventKind::kFocusNext,
       kInputField,
       {},
       {kInputBrowse},
       kOutputField},
      {"Tab from a frame", EventKind::kFocusNext, kOptionsFrame, {}, {}, kStripCheck},
      {"Tab with one eligible control stays",
       EventKind::kFocusNext,
       kLogList,
       {2, 3, 5, 6, 9, 10, 11, 12},
       {},
       kLogList},
      {"Shift+Tab from input field wraps",
       EventKind::kFocusPrevious,
       kInputField,
       {},
       {},
       kLogList},
      {"Shift+Tab from Strip", EventKind::kFocusPrevious, kStripCheck, {}, {}, kExitButton},
      {"Shift+Tab from Start", EventKind::kFocusPrevious, kStartButton, {}, {}, kOutputBrowse},
      {"Shift+Tab without focus", EventKind::kFocusPrevious, kNoControl, {}, {}, kLogList},
      {"Shift+Tab skips disabled check box",
       EventKind::kFocusPrevious,
       kLogList,
       {kOverwriteCheck},
       {},
       kStripCheck},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Window window;
    for (int control : row.disabled) window.ui.Control(control).enabled = false;
    for (int control : row.hidden) window.ui.Control(control).visible = false;
    window.ui.focused = row.focused;
    EXPECT_EQ(window.logic.Handle({row.key}), LoopStep::kContinue);
    EXPECT_EQ(window.ui.focused, row.expected);
  }
}

TEST(MainWindowFocus, NothingEligibleLeavesTheFocusAlone) {
  Window window;
  for (const ControlLayout& control : MainWindowControls())
    window.ui.Control(control.number).enabled = false;
  window.ui.focused = kNoControl;
  window.logic.Handle({EventKind::kFocusNext});
  EXPECT_EQ(window.ui.focused, kNoControl);
}

}  // namespace
}  // namespace kelvane::frontend
