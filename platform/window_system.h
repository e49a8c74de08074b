#pragma once
// The window system: windows built from a description, their texts as code page 936 with CR LF
// line breaks, the task-modal message box, the event loop.

#include <functional>
#include <memory>
#include <string>

#include "common/text.h"
#include "platform/window_description.h"

namespace lc::platform {

// Connects to the window system; false where there is none to reach (no display), with why in
// `why` where given: one line, UTF-8, naming the platform.
bool start_window_system(int& argc, char** argv, std::string* why = nullptr);

class Window {
 public:
  virtual ~Window() = default;
  // Runs `handler` when the named control is clicked.
  virtual void on_click(TextView control, std::function<void()> handler) = 0;
  // The whole text of an edit box; lines separated by CR LF.
  virtual Text text(TextView control) const = 0;
  // Adds `text` at the end of an edit box and scrolls to it; CR LF starts a new line.
  virtual void append_text(TextView control, TextView text) = 0;
  virtual void show_and_activate() = 0;
  // The busy cursor over the window while it is on; each true is paired with a false, and the
  // cursor stays busy until the last pair ends.
  virtual void show_busy(bool busy) = 0;
  // False once the user has closed the window.
  virtual bool is_open() const = 0;
};

// Builds a hidden window and its controls, centred on the screen; null when it cannot be made.
std::unique_ptr<Window> create_window(const WindowDescription& description);

enum class MessageIcon { kNone, kError };

// A task-modal box with an OK button; returns once it is dismissed.
void message_box(TextView text, TextView caption, MessageIcon icon);

// Runs until the last window closes; returns the exit code.
int run_event_loop();

}  // namespace lc::platform
