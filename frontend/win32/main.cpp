// kelvane.exe: opens the main window with the embedded engine's runner and
// runs its event loop. Exit code 0 after Exit or close, 1 when the window
// could not be created.
#include <windows.h>

#include "frontend/platform_runner.h"
#include "frontend/win32/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  using namespace kelvane::frontend;
  Win32MainWindow window(instance, EngineServices{&ProbeFileSize, &RunEngine});
  if (!window.Create()) return 1;
  window.RunEventLoop();
  return 0;
}
