#pragma once
// The controls of a window description as plain Win32 child windows.

#include <windows.h>

#include "platform/window_description.h"

namespace lc::platform::windows {

// The DPI the description's sizes are given for: 100 %.
inline constexpr int kDesignDpi = 96;

// Creates the control under `parent` with its class, styles and text at the description's place
// and size (the window scales them); null on failure. A multi-line box made with `wraps` false
// scrolls its lines sideways instead of breaking them.
HWND create_control(const ControlDescription& description, HWND parent, int id, bool wraps = true);

// The control's font at `dpi`: the one the description names, or the system's default for
// controls, its height scaled from the description's DPI. The caller owns it.
HFONT create_scaled_font(const ControlDescription& description, int dpi);

}  // namespace lc::platform::windows
