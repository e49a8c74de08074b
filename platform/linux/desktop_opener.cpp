#include "platform/desktop_opener.h"

#include <QProcess>
#include <QStringList>

#include "platform/linux/qt_text.h"

namespace lc::platform {

void open_with_desktop(TextView path) {
  // Detached, so the browser outlives nothing of ours.
  QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{to_qstring(path)});
}

}  // namespace lc::platform
