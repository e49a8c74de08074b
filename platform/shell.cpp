#include "platform/shell.h"

#include "platform/desktop_opener.h"

namespace lc::platform {
namespace {

std::function<void(TextView)>& shell_recorder() {
  static std::function<void(TextView)> recorder;
  return recorder;
}

}  // namespace

void shell_open(TextView path) {
  if (shell_recorder()) return shell_recorder()(path);
  open_with_desktop(path);
}

void testing::set_shell_recorder(std::function<void(TextView)> recorder) {
  shell_recorder() = std::move(recorder);
}

}  // namespace lc::platform
