// Creation of the main window and its controls, the event loop, and the
// window procedure that turns messages into the state machine's events.
#include "frontend/win32/main_window.h"

#include <utility>

#include "frontend/main_window_controls.h"

namespace kelvane::frontend {
namespace {

constexpr char kClassName[] = "Kelvane";
constexpr char kTitle[] = "Kelvane";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr COLORREF kLogBackground = RGB(206, 206, 206);
constexpr int kIconResource = 1;

// Command identifiers of the two accelerators; no control uses them.
constexpr WORD kFocusNextCommand = 1000;
constexpr WORD kFocusPreviousCommand = 1001;

struct ControlClass {
  const char* name;
  DWORD style;
  DWORD ex_style;
};

ControlClass ClassOf(ControlKind kind) {
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  switch (kind) {
    case ControlKind::kGroupFrame:
      return {"Button", kChild | BS_GROUPBOX, 0};
    case ControlKind::kText:
      return {"Static", kChild | SS_LEFT, 0};
    case ControlKind::kPathField:
      return {"Edit", kChild | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL | ES_READONLY,
              WS_EX_CLIENTEDGE};
    case ControlKind::kPushButton:
      return {"Button", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0};
    case ControlKind::kCheckBox:
      return {"Button", kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0};
    case ControlKind::kListBox:
      // Unsorted text rows, free height, selection notifications; a
      // horizontal scroll bar style but no scroll width.
      return {"ListBox",
              kChild | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
              WS_EX_CLIENTEDGE};
  }
  return {"Static", kChild, 0};
}

}  // namespace

Win32MainWindow::Win32MainWindow(HINSTANCE instance, EngineServices services)
    : instance_(instance), logic_(*this, std::move(services)) {}

Win32MainWindow::~Win32MainWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
  if (log_brush_ != nullptr) DeleteObject(log_brush_);
}

bool Win32MainWindow::Create() {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = &Win32MainWindow::WindowProcedure;
  window_class.hInstance = instance_;
  window_class.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(kIconResource));
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_3DFACE + 1));
  window_class.lpszClassName = kClassName;
  if (RegisterClassA(&window_class) == 0) return false;

  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRect(&frame, kWindowStyle, /*bMenu=*/FALSE);
  hwnd_ = CreateWindowExA(0, kClassName, kTitle, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                          instance_, this);
  if (hwnd_ == nullptr) return false;
  ShowWindow(hwnd_, SW_SHOWNORMAL);

  // One brush for the log list's background for the window's lifetime,
  // rather than a new one each time the list asks for its colours.
  log_brush_ = CreateSolidBrush(kLogBackground);
  ACCEL keys[] = {
      {FVIRTKEY, VK_TAB, kFocusNextCommand},
      {FVIRTKEY | FSHIFT, VK_TAB, kFocusPreviousCommand},
  };
  accelerators_ = CreateAcceleratorTableA(keys, 2);
  return log_brush_ != nullptr && accelerators_ != nullptr && logic_.CreateControls();
}

bool Win32MainWindow::CreateControl(const ControlLayout& layout) {
  const ControlClass control_class = ClassOf(layout.kind);
  const std::string text(layout.text);
  HWND control = CreateWindowExA(
      control_class.ex_style, control_class.name, text.c_str(), control_class.style, layout.x,
      layout.y, layout.width, layout.height, hwnd_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.number)), instance_, nullptr);
  if (control == nullptr) return false;
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               /*redraw=*/TRUE);
  return true;
}

void Win32MainWindow::RunEventLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorA(hwnd_, accelerators_, &message) != 0) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

void Win32MainWindow::Dispatch(const MainWindowEvent& event) {
  if (logic_.Handle(event) == LoopStep::kEnd) PostQuitMessage(0);
}

LRESULT CALLBACK Win32MainWindow::WindowProcedure(HWND hwnd, UINT message, WPARAM wparam,
                                                  LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    static_cast<Win32MainWindow*>(create->lpCreateParams)->hwnd_ = hwnd;
  }
  auto* window = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (window == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  return window->HandleMessage(message, wparam, lparam);
}

LRESULT Win32MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (lparam != 0) {
        // A notification from a control carries the control's number.
        Dispatch({EventKind::kControl, static_cast<int>(LOWORD(wparam))});
      } else if (HIWORD(wparam) == 1 && LOWORD(wparam) == kFocusNextCommand) {
        Dispatch({EventKind::kFocusNext});
      } else if (HIWORD(wparam) == 1 && LOWORD(wparam) == kFocusPreviousCommand) {
        Dispatch({EventKind::kFocusPrevious});
      }
      return 0;
    case WM_CLOSE:
      // The window is destroyed after the event loop, not here.
      Dispatch({EventKind::kCloseRequest});
      return 0;
    case WM_CTLCOLORLISTBOX:
      if (reinterpret_cast<HWND>(lparam) == Control(kLogList)) {
        SetBkColor(reinterpret_cast<HDC>(wparam), kLogBackground);
        return reinterpret_cast<LRESULT>(log_brush_);
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wparam, lparam);
}

}  // namespace kelvane::frontend
