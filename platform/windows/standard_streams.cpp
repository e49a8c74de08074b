#include "platform/standard_streams.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdlib>

namespace lc::platform {
namespace {

UINT console_code_page_before = 0;

void restore_console_code_page() {
  ::SetConsoleOutputCP(console_code_page_before);
}

}  // namespace

// In text mode a Ctrl-Z byte would end standard input early. The console shows the ANSI code
// page unless told otherwise, and keeps what it is told after the program ends: it gets its
// own back at exit.
void prepare_standard_streams() {
  ::_setmode(::_fileno(stdin), _O_BINARY);
  console_code_page_before = ::GetConsoleOutputCP();
  if (console_code_page_before != 0 && ::SetConsoleOutputCP(CP_UTF8))
    std::atexit(restore_console_code_page);
}

bool is_terminal(std::FILE* stream) {
  return ::_isatty(::_fileno(stream)) != 0;
}

}  // namespace lc::platform
