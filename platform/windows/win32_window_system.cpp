// Start-up, the message box, the event loop and the pump for pending messages over Win32.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/event_pump.h"
#include "platform/window_system.h"
#include "platform/windows/win32_text.h"
#include "platform/windows/win32_window.h"

namespace lc::platform {
namespace {

void dispatch(const MSG& message) {
  if (windows::take_window_keys(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

// Every message already waiting, and no more; a quit request stays for the event loop.
void handle_waiting_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    dispatch(message);
  }
}

// Whether a queued message asks to close a window: its close button, a window manager's close
// (which becomes SC_CLOSE), Esc, Alt+F4, or a close request posted to it.
bool asks_to_close(const MSG& message) {
  switch (message.message) {
    case WM_CLOSE:
      return true;
    case WM_SYSCOMMAND:
      return (message.wParam & 0xFFF0) == SC_CLOSE;
    case WM_NCLBUTTONDOWN:
      return message.wParam == HTCLOSE;
    case WM_KEYDOWN:
      return message.wParam == VK_ESCAPE;
    case WM_SYSKEYDOWN:
      return message.wParam == VK_F4;
    default:
      return false;
  }
}

}  // namespace

// Whether the user asked to close a window while an exchange waits, anywhere in the queue: keys
// pressed before Esc do not hide it. The messages that might ask are taken off the queue to be
// looked at; where none does, they go back in the order they came, for the fixed points. Those
// left for windows already gone are dropped, as they would be when their turn came.
bool close_requested() {
  std::vector<MSG> looked_at;
  std::optional<WPARAM> quit;
  for (const UINT kind : {WM_CLOSE, WM_SYSCOMMAND, WM_NCLBUTTONDOWN, WM_KEYDOWN, WM_SYSKEYDOWN}) {
    MSG message;
    while (PeekMessageW(&message, nullptr, kind, kind, PM_REMOVE | PM_NOYIELD)) {
      // A quit request comes whatever the filter asks for; it stays for the event loop.
      if (message.message == WM_QUIT) {
        quit = message.wParam;
        break;
      }
      if (message.hwnd != nullptr && !IsWindow(message.hwnd)) continue;
      if (asks_to_close(message)) return true;
      looked_at.push_back(message);
    }
  }
  std::stable_sort(looked_at.begin(), looked_at.end(),
                   [](const MSG& a, const MSG& b) { return LONG(a.time - b.time) < 0; });
  for (const MSG& message : looked_at)
    PostMessageW(message.hwnd, message.message, message.wParam, message.lParam);
  if (quit) PostQuitMessage(static_cast<int>(*quit));
  return false;
}

// Paint messages only; sent messages are handled on the way, as every wait for messages does.
// A user who closes the window while an exchange waits means it: the program ends at once, the
// exchange abandoned and its report never shown (the tool keeps nothing that could be lost).
void repaint_waiting_windows() {
  if (close_requested()) TerminateProcess(GetCurrentProcess(), 0);
  MSG message;
  while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
    DispatchMessageW(&message);
}

bool start_window_system(int&, char**, std::string*) {
  // The controls of the manifest's version 6, in the system's current style; without it (a
  // program with no manifest) the system's first version serves as before.
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  set_pending_messages_handler(handle_waiting_messages);
  set_repaint_handler(repaint_waiting_windows);
  return true;
}

void message_box(TextView text, TextView caption, MessageIcon icon) {
  const UINT style = MB_OK | MB_TASKMODAL | (icon == MessageIcon::kError ? MB_ICONERROR : 0);
  MessageBoxW(nullptr, windows::text_to_wide(text).c_str(), windows::text_to_wide(caption).c_str(),
              style);
}

int run_event_loop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0)
    dispatch(message);
  return static_cast<int>(message.wParam);
}

}  // namespace lc::platform
