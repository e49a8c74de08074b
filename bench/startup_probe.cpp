// The tool's own start-up, up to its window on screen.
#include "app/linkcourier_app.h"
#include "bench/window_probe.h"
#include "platform/shell.h"

int main(int argc, char** argv) {
  // No browser is started for a measurement.
  lc::platform::testing::set_shell_recorder([](lc::TextView) {});
  if (!lc::platform::start_window_system(argc, argv)) return 1;
  const auto app = lc::LinkcourierApp::create();
  if (!app) return 1;
  app->show();
  return probe::report_when_shown();
}
