#include "platform/desktop_opener.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

namespace lc::platform {

void open_with_desktop(TextView path) {
  const Text file(path);
  ShellExecuteA(nullptr, "open", file.c_str(), "", "", SW_SHOWNORMAL);
}

}  // namespace lc::platform
