#pragma once
// While an exchange waits, the windows go on painting but the user's clicks and keys wait for the
// next point where pending messages are handled, as they do on the other system. A request to
// close the window (the window manager's, or Esc) cannot wait: it ends the program at once.

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <memory>
#include <utility>
#include <vector>

namespace lc::platform {

class InputHeldBack : public QObject {
 public:
  // Handles every waiting event, holding back the user's input.
  void repaint();
  // Gives the held-back input back to the event queue, in the order it came.
  void release();

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override;

 private:
  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> held_;
};

}  // namespace lc::platform
