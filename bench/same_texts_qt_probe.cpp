// The fair yardstick for start-up: the tool's eight controls with the same texts, fonts and
// places, through plain Qt and none of our code. What the tool costs beyond it is its own.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "bench/window_probe.h"

namespace {

QFont yahei(int pixels) {
  QFont font(QString::fromUtf8("微软雅黑"));
  font.setPixelSize(pixels);
  return font;
}

template <typename Widget>
Widget* place(Widget* widget, int left, int top, int width, int height) {
  widget->setGeometry(left, top, width, height);
  return widget;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QFont::insertSubstitution(QString::fromUtf8("微软雅黑"), "WenQuanYi Micro Hei");
  QFont gui("WenQuanYi Micro Hei");
  gui.setPixelSize(12);
  QApplication::setFont(gui);

  QWidget window;
  window.setWindowTitle("Linkcourier - Fernhollow(fernhollow.example)");
  window.setFixedSize(463, 388);
  auto* caption =
      place(new QLabel(QString::fromUtf8("Fernhollow(fernhollow.example)，Linkcourier"), &window),
            64, 368, 328, 20);
  caption->setFont(yahei(12));
  auto* group = place(new QGroupBox(&window), 0, 136, 464, 232);
  place(new QPlainTextEdit(group), 0, 8, 464, 224)->setEnabled(false);
  place(new QLabel(QString::fromUtf8("链接："), &window), 29, 51, 36, 24)->setFont(yahei(14));
  place(new QLabel(QString::fromUtf8("接口地址："), &window), 1, 19, 64, 24)->setFont(yahei(14));
  place(new QPushButton(QString::fromUtf8("提交"), &window), 400, 16, 56, 32);
  place(new QPlainTextEdit(&window), 65, 56, 328, 72)->setFont(yahei(12));
  place(new QLineEdit(&window), 65, 16, 328, 32)->setFont(yahei(12));
  window.show();
  return probe::report_when_shown();
}
