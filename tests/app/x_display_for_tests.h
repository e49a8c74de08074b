#pragma once
// A private X server (Xvfb, which resets when its last client leaves) for the tests that need a
// real display, and the user's input sent to a window on it as X delivers it. A death test's
// child process finds the display its parent started through the environment.

#include <cstdint>
#include <memory>
#include <string>

#include "tests/support/child_process.h"

namespace lc::test {

class XDisplayForTests {
 public:
  // The variable that names the display to the tests' main.
  static constexpr const char* kVariable = "LINKCOURIER_TESTS_DISPLAY";

  XDisplayForTests();
  ~XDisplayForTests();
  XDisplayForTests(const XDisplayForTests&) = delete;
  XDisplayForTests& operator=(const XDisplayForTests&) = delete;

  const std::string& name() const { return name_; }
  // The window manager's request to close `window` (WM_DELETE_WINDOW).
  void ask_to_close(std::uint32_t window) const;
  // Esc pressed while `window` has the keyboard.
  void press_escape(std::uint32_t window) const;

 private:
  std::string name_;
  std::unique_ptr<ChildProcess> server_;  // none in a death test's child
};

}  // namespace lc::test
