#include "platform/linux/input_held_back.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <unistd.h>

namespace lc::platform {
namespace {

bool is_user_input(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

bool is_close_request(const QEvent& event) {
  return event.type() == QEvent::Close ||
         (event.type() == QEvent::KeyPress &&
          static_cast<const QKeyEvent&>(event).key() == Qt::Key_Escape);
}

}  // namespace

void InputHeldBack::repaint() {
  QCoreApplication* application = QCoreApplication::instance();
  application->installEventFilter(this);
  // The transport's sockets are not Qt's; excluding the user's input here would hold back the
  // window manager's close request with it, so input is held back by the filter instead.
  QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
  application->removeEventFilter(this);
}

void InputHeldBack::release() {
  for (auto& [receiver, event] : held_) {
    if (receiver) QCoreApplication::postEvent(receiver, event.release());
  }
  held_.clear();
}

// Only what the window system delivers to a window: the widgets' own events pass.
bool InputHeldBack::eventFilter(QObject* receiver, QEvent* event) {
  if (!receiver->isWindowType() || !event->spontaneous()) return false;
  if (is_close_request(*event)) ::_exit(0);
  if (!is_user_input(event->type())) return false;
  held_.emplace_back(receiver, event->clone());
  return true;
}

}  // namespace lc::platform
