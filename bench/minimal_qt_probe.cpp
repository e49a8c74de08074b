// The yardstick: the least a Qt Widgets program does to show an empty window.
#include "bench/window_probe.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.show();
  return probe::report_when_shown();
}
