#include "tests/app/x_display_for_tests.h"

#include <xcb/xcb.h>

#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace lc::test {
namespace {

// Escape's key code in the X server's default keyboard map.
constexpr xcb_keycode_t kEscapeKeyCode = 9;

// A connection of its own, as another client (the window manager, the keyboard) has.
class Connection {
 public:
  explicit Connection(const std::string& display)
      : connection_(xcb_connect(display.c_str(), nullptr)) {}
  ~Connection() { xcb_disconnect(connection_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  xcb_atom_t atom(const char* name) const {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t found = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return found;
  }

  template <typename Event>
  void send(std::uint32_t window, const Event& event) const {
    // Waits for the server to have taken it: a connection closed right after a request may
    // lose it.
    std::free(xcb_request_check(
        connection_, xcb_send_event_checked(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                            reinterpret_cast<const char*>(&event))));
  }

 private:
  xcb_connection_t* connection_;
};

}  // namespace

XDisplayForTests::XDisplayForTests() {
  if (const char* inherited = std::getenv(kVariable)) {
    name_ = inherited;
    return;
  }
  name_ = ":" + std::to_string(100 + ::getpid() % 800);
  server_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"Xvfb", name_, "-screen", "0", "640x480x24", "-nolisten", "tcp"});
  const std::string socket = "/tmp/.X11-unix/X" + name_.substr(1);
  for (int tries = 0; tries < 100 && !std::filesystem::exists(socket); ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ::setenv(kVariable, name_.c_str(), 1);
}

XDisplayForTests::~XDisplayForTests() {
  if (server_ != nullptr) ::unsetenv(kVariable);
}

void XDisplayForTests::ask_to_close(std::uint32_t window) const {
  const Connection connection(name_);
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = connection.atom("WM_PROTOCOLS");
  event.data.data32[0] = connection.atom("WM_DELETE_WINDOW");
  event.data.data32[1] = XCB_CURRENT_TIME;
  connection.send(window, event);
}

void XDisplayForTests::press_escape(std::uint32_t window) const {
  xcb_key_press_event_t event{};
  event.response_type = XCB_KEY_PRESS;
  event.detail = kEscapeKeyCode;
  event.event = window;
  event.same_screen = 1;
  Connection(name_).send(window, event);
}

}  // namespace lc::test
