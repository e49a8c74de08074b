#pragma once
// Shared by the start-up probes: tell the timing script when the window is on screen, then how
// much memory the idle process holds.

#include <QApplication>
#include <QWidget>
#include <QWindow>
#include <cstdio>

#include "bench/process_memory.h"

namespace probe {

// Waits until a top-level window is exposed, says "shown", idles a moment, reports its memory.
inline int report_when_shown() {
  for (;;) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    bool exposed = false;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      exposed |=
          widget->isVisible() && widget->windowHandle() && widget->windowHandle()->isExposed();
    }
    if (exposed) break;
  }
  std::printf("shown\n");
  std::fflush(stdout);
  for (int i = 0; i < 30; ++i)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  std::printf("rss_kib %ld\n", bench::status_kib("VmRSS"));
  std::fflush(stdout);
  return 0;
}

}  // namespace probe
