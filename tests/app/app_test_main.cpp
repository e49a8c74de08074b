// The window tests run headless on Qt's offscreen platform, with the shell recorded.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/window_system.h"

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  testing::InitGoogleTest(&argc, argv);
  static int qt_argc = 1;
  if (!lc::platform::start_window_system(qt_argc, argv)) return 1;
  return RUN_ALL_TESTS();
}
