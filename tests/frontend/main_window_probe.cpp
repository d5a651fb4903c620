// Test helper for the end-to-end test: finds the running "Kelvane" window
// and prints what a test needs to see of it (client size, controls, log
// rows, the focused control, a check box's state, the text of an "Error"
// box) on standard output.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Asks a window of the other process, giving up after two seconds, so that a
// busy or hung window fails the test instead of blocking it.
LRESULT Ask(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  DWORD_PTR result = 0;
  if (SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG, 2000, &result) == 0) {
    std::fprintf(stderr, "kelvane_window_probe: the window does not answer\n");
    std::exit(3);
  }
  return static_cast<LRESULT>(result);
}

HWND FindMainWindow() { return FindWindowA("Kelvane", "Kelvane"); }

// WM_GETTEXT rather than GetWindowTextA: across processes the latter gives
// only the text a control was created with.
std::string TextOf(HWND window) {
  const auto length = Ask(window, WM_GETTEXTLENGTH);
  std::string text(static_cast<size_t>(length < 0 ? 0 : length) + 1, '\0');
  const auto copied = Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied < 0 ? 0 : static_cast<size_t>(copied));
  return text;
}

int PrintClientSize(HWND main_window) {
  RECT client;
  GetClientRect(main_window, &client);
  std::printf("%ldx%ld\n", client.right - client.left, client.bottom - client.top);
  return 0;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM main_window) {
  if (GetParent(control) != reinterpret_cast<HWND>(main_window)) return TRUE;
  char class_name[64] = {};
  GetClassNameA(control, class_name, sizeof class_name);
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, reinterpret_cast<HWND>(main_window), reinterpret_cast<POINT*>(&rect), 2);
  const auto style = static_cast<unsigned long>(GetWindowLongPtrA(control, GWL_STYLE));
  const auto ex_style = static_cast<unsigned long>(GetWindowLongPtrA(control, GWL_EXSTYLE));
  std::printf("%d %s %ld %ld %ld %ld style=%08lx ex=%08lx enabled=%d \"%s\"\n",
              GetDlgCtrlID(control), class_name, rect.left, rect.top, rect.right - rect.left,
              rect.bottom - rect.top, style, ex_style, IsWindowEnabled(control) ? 1 : 0,
              TextOf(control).c_str());
  return TRUE;
}

// Rows are read as UTF-16 and converted to the ANSI code page: Wine hands the
// ANSI form of LB_GETTEXT to other processes unconverted.
int PrintRows(HWND main_window) {
  HWND list = GetDlgItem(main_window, 14);
  const auto count = Ask(list, LB_GETCOUNT);
  for (LRESULT row = 0; row < count; ++row) {
    const auto length = Ask(list, LB_GETTEXTLEN, row);
    std::wstring wide(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(wide.data()),
                            SMTO_ABORTIFHUNG, 2000, &copied) == 0 ||
        copied > wide.size() - 1) {
      std::fprintf(stderr, "kelvane_window_probe: cannot read row %ld\n", static_cast<long>(row));
      return 3;
    }
    std::string text(copied * 2 + 1, '\0');
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(copied), text.data(),
                            static_cast<int>(text.size()), nullptr, nullptr);
    text.resize(static_cast<size_t>(bytes));
    std::printf("%s\n", text.c_str());
  }
  return 0;
}

// The number of the control that holds the keyboard focus in the window's
// thread, or -1.
int PrintFocus(HWND main_window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(main_window, nullptr), &info) == 0) return 3;
  const bool is_control = info.hwndFocus != nullptr && GetParent(info.hwndFocus) == main_window;
  std::printf("%d\n", is_control ? GetDlgCtrlID(info.hwndFocus) : -1);
  return 0;
}

// The check mark and enabled state of a check box.
int PrintCheckBox(HWND main_window, int control_number) {
  HWND check_box = GetDlgItem(main_window, control_number);
  if (check_box == nullptr) return 3;
  std::printf("checked=%d enabled=%d\n", (Ask(check_box, BM_GETCHECK) & 1) != 0 ? 1 : 0,
              IsWindowEnabled(check_box) ? 1 : 0);
  return 0;
}

// A message box keeps its text in a static control with identifier 0xFFFF.
int PrintErrorText() {
  HWND box = FindWindowA(nullptr, "Error");
  if (box == nullptr) return 1;
  std::printf("%s\n", TextOf(GetDlgItem(box, 0xFFFF)).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(
        stderr, "usage: kelvane_window_probe client-size|controls|rows|focus|check N|error-text\n");
    return 2;
  }
  const char* command = argv[1];
  if (std::strcmp(command, "error-text") == 0) return PrintErrorText();
  HWND main_window = FindMainWindow();
  if (main_window == nullptr) {
    std::fprintf(stderr, "kelvane_window_probe: no window titled \"Kelvane\"\n");
    return 1;
  }
  if (std::strcmp(command, "client-size") == 0) return PrintClientSize(main_window);
  if (std::strcmp(command, "rows") == 0) return PrintRows(main_window);
  if (std::strcmp(command, "focus") == 0) return PrintFocus(main_window);
  if (std::strcmp(command, "check") == 0 && argc == 3) {
    return PrintCheckBox(main_window, std::atoi(argv[2]));
  }
  if (std::strcmp(command, "controls") == 0) {
    EnumChildWindows(main_window, PrintControl, reinterpret_cast<LPARAM>(main_window));
    return 0;
  }
  std::fprintf(stderr, "kelvane_window_probe: unknown command '%s'\n", command);
  return 2;
}
