// Setting and reading back the links box through the window layer: one line of 5 MiB over the
// same bytes in 100,000 lines. A box whose cost grew with the square of a line would freeze.
// The same program runs on both systems; the figure's name says which.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/main_window.h"
#include "platform/event_pump.h"
#include "platform/window_system.h"

namespace {

double set_and_read_back(const lc::Text& text) {
  const auto window = lc::platform::create_window(lc::main_window::description());
  window->show_and_activate();
  lc::platform::handle_pending_messages();
  const auto start = std::chrono::steady_clock::now();
  window->append_text(lc::main_window::kLinksBox, text);
  lc::platform::handle_pending_messages();
  const lc::Text back = window->text(lc::main_window::kLinksBox);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return back.size() == text.size() ? seconds : -1;
}

}  // namespace

// An optional argument gives the size in KiB, for a look at how the cost grows.
int main(int argc, char** argv) {
  if (!lc::platform::start_window_system(argc, argv)) return 1;
  const std::size_t size = argc > 1 ? std::strtoul(argv[1], nullptr, 10) << 10 : 5 << 20;
  const lc::Text one_line(size, 'a');
  lc::Text lines;
  while (lines.size() < size)
    lines += "https://www.example.com/articles/2026/12/123456.html\r\n";
  lines.resize(size - 2);
  lines += "\r\n";
  const double long_line = set_and_read_back(one_line);
  const double many_lines = set_and_read_back(lines);
  if (long_line < 0 || many_lines < 0) return 1;
  std::printf("%s %.3f ratio\n", LINKS_BOX_FIGURE, long_line / many_lines);
  if (argc > 1) std::printf("long line %.3f s, many lines %.3f s\n", long_line, many_lines);
  return 0;
}
