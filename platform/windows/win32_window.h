#pragma once
// The tool's own keys on its plain Win32 windows, applied before a message is dispatched.

#include <windows.h>

namespace lc::platform::windows {

// Esc and Tab (and Enter outside a box that takes it) for our windows; true when taken.
bool take_window_keys(const MSG& message);

}  // namespace lc::platform::windows
