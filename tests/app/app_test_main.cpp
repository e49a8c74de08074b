// The window tests run headless on Qt's offscreen platform, with the shell recorded.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/window_system.h"
#include "tests/app/x_display_for_tests.h"

int main(int argc, char** argv) {
  // A test that needs a real display runs in a child process on the X server it started.
  if (const char* display = std::getenv(lc::test::XDisplayForTests::kVariable)) {
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("DISPLAY", display, 1);
  } else {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  testing::InitGoogleTest(&argc, argv);
  static int qt_argc = 1;
  if (!lc::platform::start_window_system(qt_argc, argv)) return 1;
  return RUN_ALL_TESTS();
}
