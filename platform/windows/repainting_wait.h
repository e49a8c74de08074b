#pragma once
// The system's HTTP service blocks the calling thread while it waits on the network. Where there
// are windows, the call runs on a worker thread and this thread repaints them meanwhile (paint
// messages only: clicks and keys stay queued for the fixed points, but a request to close the
// window ends the program); elsewhere it runs here. Either way the call's error stays this
// thread's last error.

#include <windows.h>

#include <thread>

#include "platform/event_pump.h"

namespace lc::platform::windows {

template <typename Call>
bool while_repainting(Call call) {
  if (!windows_to_repaint()) return call();
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (done == nullptr) return call();
  bool result = false;
  DWORD error = 0;  // the call's own, which is the worker's: handed back to this thread
  std::thread worker([&] {
    result = call();
    error = GetLastError();
    SetEvent(done);
  });
  // Wakes for paints already waiting too, not only for ones that arrive after the last look; and
  // now and then to look for a request to close, which repainting answers.
  constexpr DWORD kLookMilliseconds = 50;
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjectsEx(1, &done, kLookMilliseconds,
                                                    QS_PAINT | QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
    if (woken != WAIT_OBJECT_0 + 1 && woken != WAIT_TIMEOUT) break;
    repaint_windows();
  }
  worker.join();
  CloseHandle(done);
  SetLastError(error);
  return result;
}

}  // namespace lc::platform::windows
