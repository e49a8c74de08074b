#pragma once
// The system's HTTP service blocks the calling thread while it waits on the network. Where there
// are windows, the call runs on a worker thread and this thread repaints them meanwhile (paint
// messages only: clicks and keys stay queued for the fixed points, but a request to close the
// window ends the program); elsewhere it runs here.

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
  std::thread worker([&] {
    result = call();
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
  return result;
}

}  // namespace lc::platform::windows
