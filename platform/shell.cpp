#include "platform/shell.h"

#include <QProcess>
#include <QStringList>

#include "platform/qt_text.h"

namespace lc::platform {
namespace {

std::function<void(TextView)>& shell_recorder() {
  static std::function<void(TextView)> recorder;
  return recorder;
}

}  // namespace

void shell_open(TextView path) {
  if (shell_recorder()) return shell_recorder()(path);
  // Detached, so the browser outlives nothing of ours; its result is not looked at.
  QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{to_qstring(path)});
}

void testing::set_shell_recorder(std::function<void(TextView)> recorder) {
  shell_recorder() = std::move(recorder);
}

}  // namespace lc::platform
