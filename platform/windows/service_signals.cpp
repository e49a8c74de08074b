#include "platform/service_signals.h"

#include <windows.h>

namespace lc::platform {
namespace {

HANDLE stop_event() {
  static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}

BOOL WINAPI on_console_event(DWORD event) {
  // Ctrl+C, Ctrl+Break, the console closed, the user logging off or the system shutting down:
  // each asks the service to end as it would end by itself.
  (void)event;
  SetEvent(stop_event());
  return TRUE;
}

}  // namespace

ServiceSignals::ServiceSignals() {
  stop_event();
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

ServiceSignals::Asked ServiceSignals::wait(std::chrono::milliseconds most) {
  const DWORD waited = WaitForSingleObject(stop_event(), static_cast<DWORD>(most.count()));
  return waited == WAIT_OBJECT_0 ? Asked::kStop : Asked::kNothing;
}

}  // namespace lc::platform
