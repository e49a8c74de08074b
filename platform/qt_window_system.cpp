// Start-up of Qt, the message box, the event loop and the pump for pending messages.
#include <QApplication>
#include <QFont>
#include <QMessageBox>
#include <cstdlib>

#include "platform/event_pump.h"
#include "platform/qt_text.h"
#include "platform/window_system.h"

namespace lc::platform {
namespace {

// Debian's CJK face: fontconfig has no alias for the face the design names, "微软雅黑".
constexpr const char* kCjkFamily = "WenQuanYi Micro Hei";
constexpr int kDefaultGuiFontPixels = 12;

// Without one of these, Qt's default platform would abort the process on its first call.
bool window_system_reachable() {
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
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
  return application != nullptr;
}

void message_box(TextView text, TextView caption, MessageIcon icon) {
  QMessageBox box(icon == MessageIcon::kError ? QMessageBox::Critical : QMessageBox::NoIcon,
                  to_qstring(caption), with_qt_line_breaks(to_qstring(text)), QMessageBox::Ok);
  // Task-modal: every window of the tool waits for it.
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

int run_event_loop() {
  return QApplication::exec();
}

}  // namespace lc::platform
