// Start-up of Qt, the message box, the event loop and the pump for pending messages.
#include <QApplication>
#include <QFont>
#include <QMessageBox>
#include <QPushButton>
#include <cstdlib>
#include <string_view>

#include <xcb/xcb.h>

#include "platform/event_pump.h"
#include "platform/linux/qt_text.h"
#include "platform/window_system.h"

namespace lc::platform {
namespace {

// Debian's CJK face: fontconfig has no alias for the face the window asks for, "微软雅黑".
constexpr const char* kCjkFamily = "WenQuanYi Micro Hei";
constexpr int kDefaultGuiFontPixels = 12;

const char* environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

// Qt aborts the process when its platform cannot start, so the X display that its default
// platform would use is tried first: one named but not there counts as none.
bool x_display_answers(const char* name) {
  xcb_connection_t* connection = xcb_connect(name, nullptr);
  const bool answers = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return answers;
}

bool window_system_reachable() {
  const char* platform = environment("QT_QPA_PLATFORM");
  const char* display = environment("DISPLAY");
  if (platform != nullptr && !std::string_view(platform).starts_with("xcb")) return true;
  if (display != nullptr) return x_display_answers(display);
  return platform == nullptr && environment("WAYLAND_DISPLAY") != nullptr;
}

}  // namespace

bool start_window_system(int& argc, char** argv) {
  if (QApplication::instance() != nullptr) return true;
  if (!window_system_reachable()) return false;
  static QApplication* application = new QApplication(argc, argv);
  QFont::insertSubstitution(to_qstring("\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA"), kCjkFamily);
  QFont default_font(kCjkFamily);
  default_font.setPixelSize(kDefaultGuiFontPixels);
  QApplication::setFont(default_font);
  set_pending_messages_handler([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
  // Window-system events without the user's input: exposures and the paints they ask for.
  set_repaint_handler([] {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::ExcludeSocketNotifiers);
  });
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
