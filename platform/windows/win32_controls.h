#pragma once
// The controls of a window description as plain Win32 child windows.

#include <windows.h>

#include "platform/window_description.h"

namespace lc::platform::windows {

// Creates the control under `parent` with its class, styles, text and font; null on failure.
// The font, when the control names one, is owned by the caller from then on (`*font`).
HWND create_control(const ControlDescription& description, HWND parent, int id, HFONT* font);

}  // namespace lc::platform::windows
