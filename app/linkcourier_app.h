#pragma once
// The tool from start to exit: the window, its wiring, and the order things happen in.

#include <memory>

#include "platform/window_system.h"
#include "submit/submit_links.h"

namespace lc {

// The main window with its controls and its one handler.
class LinkcourierApp final : private SubmitView {
 public:
  // Creates the window hidden with every control, wires the button, then runs
  // on_main_window_created; null when the window cannot be made.
  static std::unique_ptr<LinkcourierApp> create();

  void show() { window_->show_and_activate(); }
  platform::Window& window() { return *window_; }

 private:
  explicit LinkcourierApp(std::unique_ptr<platform::Window> window);

  Text interface_address() const override;
  Text links() const override;
  void append_report(TextView report) override;
  void show_message(TextView text, TextView caption) override;
  void show_busy(bool busy) override;

  std::unique_ptr<platform::Window> window_;
};

// Opens the publisher's site.
void on_main_window_created();

// Start-up to exit; returns the process's exit code.
int run_linkcourier(int& argc, char** argv);

}  // namespace lc
