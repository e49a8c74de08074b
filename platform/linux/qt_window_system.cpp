// Start-up of Qt, the message box, the event loop and the pump for pending messages.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include "platform/event_pump.h"
#include "platform/linux/input_held_back.h"
#include "platform/linux/qt_text.h"
#include "platform/window_system.h"

namespace lc::platform {
namespace {

// Debian's CJK face: fontconfig has no alias for the face the window asks for, "微软雅黑".
constexpr const char* kCjkFamily = "WenQuanYi Micro Hei";
constexpr int kDefaultGuiFontPixels = 12;
// The launcher the package installs: Wayland compositors match windows to it by this name, X11
// docks by its StartupWMClass.
constexpr const char* kDesktopFileName = "example.fernhollow.Linkcourier";

// Why the window system could not start, on one line of standard error below the tool's own text.
constexpr const char* kPlatformHeading = "窗口系统";
constexpr const char* kQtsChoice = "（Qt 自选）：";
constexpr const char* kNoXDisplay = "连接不上 X 显示器 ";
constexpr const char* kNoDisplayNamed = "没有可用的显示器（未设置 DISPLAY 或 WAYLAND_DISPLAY）";
constexpr const char* kPlatformFailed = "启动失败";

const char* environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

// An X connection held open while Qt makes its own: an X server that resets when its last
// client leaves would otherwise reset between the check and Qt's connection.
class HeldDisplay {
 public:
  HeldDisplay() = default;
  HeldDisplay(const HeldDisplay&) = delete;
  HeldDisplay& operator=(const HeldDisplay&) = delete;
  ~HeldDisplay() {
    if (connection_ != nullptr) xcb_disconnect(connection_);
  }

  // Whether the display answers; if it does, the connection stays open.
  bool connect(const char* name) {
    connection_ = xcb_connect(name, nullptr);
    return xcb_connection_has_error(connection_) == 0;
  }

 private:
  xcb_connection_t* connection_ = nullptr;
};

// Why Qt's platform does not start, tried in a child process: Qt aborts the process when it
// cannot (a plugin that is not there, a compositor that does not answer). Its first complaint on
// standard error says why; empty when it starts.
std::optional<std::string> platform_failure(int argc, char** argv) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return std::string(std::strerror(errno));
  const pid_t child = ::fork();
  if (child < 0) return std::string(std::strerror(errno));
  if (child == 0) {
    ::dup2(pipe_ends[1], STDERR_FILENO);
    ::close(pipe_ends[0]);
    const QGuiApplication probe(argc, argv);
    ::_exit(0);
  }
  ::close(pipe_ends[1]);
  std::string said;
  char buffer[4096];
  for (ssize_t got; (got = ::read(pipe_ends[0], buffer, sizeof buffer)) != 0;) {
    if (got > 0) said.append(buffer, std::size_t(got));
    if (got < 0 && errno != EINTR) break;
  }
  ::close(pipe_ends[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return std::nullopt;
  const std::size_t first = said.find_first_not_of(" \r\n");
  if (first == std::string::npos) return std::string(kPlatformFailed);
  return said.substr(first, said.find_first_of("\r\n", first) - first);
}

// Why the window system cannot be reached, naming the platform; nothing when it can. Qt aborts the
// process when its platform cannot start, so it is tried first: the X display of the default
// platform by connecting to it (one named but not there counts as none), any other platform that
// needs a server by starting it in a child process.
std::optional<std::string> window_system_failure(int argc, char** argv, HeldDisplay& held) {
  const char* platform = environment("QT_QPA_PLATFORM");
  const char* display = environment("DISPLAY");
  const std::string_view chosen = platform != nullptr ? platform : "";
  if (chosen.starts_with("offscreen") || chosen.starts_with("minimal")) return std::nullopt;
  const std::string named =
      std::string(kPlatformHeading) + " \"" + std::string(chosen.empty() ? "xcb" : chosen) + "\"：";
  if (chosen.empty() || chosen.starts_with("xcb")) {
    if (display != nullptr) {
      if (held.connect(display)) return std::nullopt;
      return named + kNoXDisplay + display;
    }
    if (!chosen.empty() || environment("WAYLAND_DISPLAY") == nullptr)
      return named + kNoDisplayNamed;
  }
  // Qt chooses its platform itself where none is named; its complaint names the one it chose.
  const std::optional<std::string> failure = platform_failure(argc, argv);
  if (!failure) return std::nullopt;
  return (chosen.empty() ? std::string(kPlatformHeading) + kQtsChoice : named) + *failure;
}

}  // namespace

bool start_window_system(int& argc, char** argv, std::string* why) {
  if (QApplication::instance() != nullptr) return true;
  HeldDisplay held;
  if (const std::optional<std::string> failure = window_system_failure(argc, argv, held)) {
    if (why != nullptr) *why = *failure;
    return false;
  }
  static QApplication* application = new QApplication(argc, argv);
  QGuiApplication::setDesktopFileName(kDesktopFileName);
  QFont::insertSubstitution(to_qstring("\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA"), kCjkFamily);
  QFont default_font(kCjkFamily);
  default_font.setPixelSize(kDefaultGuiFontPixels);
  QApplication::setFont(default_font);
  static InputHeldBack* held_back = new InputHeldBack;
  // Input held back during a wait is handled at the next fixed point, or when the event loop
  // runs out of work.
  QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                   held_back, &InputHeldBack::release);
  set_pending_messages_handler([] {
    held_back->release();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  });
  set_repaint_handler([] { held_back->repaint(); });
  return application != nullptr;
}

void message_box(TextView text, TextView caption, MessageIcon icon) {
  QMessageBox box(icon == MessageIcon::kError ? QMessageBox::Critical : QMessageBox::NoIcon,
                  to_qstring(caption), with_qt_line_breaks(to_qstring(text)), QMessageBox::Ok);
  // The interface is Chinese, the button's text too: "确定".
  box.button(QMessageBox::Ok)->setText(to_qstring("\xC8\xB7\xB6\xA8"));
  // Task-modal: every window of the tool waits for it.
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

int run_event_loop() {
  return QApplication::exec();
}

}  // namespace lc::platform
