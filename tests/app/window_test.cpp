// The window as the user meets it: placement, controls, fonts, colours, keys and focus.
#include <sys/wait.h>
#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/linux/qt_text.h"
#include "tests/app/app_fixture.h"
#include "tests/app/x_display_for_tests.h"
#include "tests/support/child_process.h"
#include "tests/support/cp936.h"

namespace lc::test {
namespace {

using platform::to_qstring;
namespace mw = main_window;

TEST_F(AppTest, WindowIsFixedCentredAndCaptioned) {
  const QIcon icon = main_widget()->windowIcon();
  EXPECT_FALSE(icon.isNull());
  EXPECT_EQ(icon.availableSizes().size(), 3);
  QWidget* window = main_widget();
  EXPECT_EQ(window->size(), QSize(463, 388));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(window->pos(), QPoint((screen.width() - 469) / 2, (screen.height() - 416) / 2));
  EXPECT_EQ(window->windowTitle(), "Linkcourier - Fernhollow(fernhollow.example)");
  EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(AppTest, EveryControlStandsWhereTheDescriptionPutsIt) {
  struct Expected {
    TextView name;
    QRect geometry;
    std::string text;  // UTF-8
    int font_pixels;   // 0: the default GUI font
  };
  const Expected controls[] = {
      {mw::kAddressLabel, {1, 19, 64, 24}, "接口地址：", 14},
      {mw::kAddressBox, {65, 16, 328, 32}, "", 12},
      {mw::kLinksLabel, {29, 51, 36, 24}, "链接：", 14},
      {mw::kLinksBox, {65, 56, 328, 72}, "", 12},
      {mw::kSubmitButton, {400, 16, 56, 32}, "提交", 0},
      {mw::kResultGroup, {0, 136, 464, 232}, "", 0},
      {mw::kResultBox, {0, 8, 464, 224}, "", 0},
      {mw::kCaptionLine, {64, 368, 328, 20}, "Fernhollow(fernhollow.example)，Linkcourier", 12},
  };
  for (const Expected& expected : controls) {
    QWidget* widget = control(expected.name);
    ASSERT_NE(widget, nullptr) << expected.text;
    EXPECT_EQ(widget->geometry(), expected.geometry) << expected.text;
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      EXPECT_EQ(label->text().toStdString(), expected.text);
    }
    if (expected.font_pixels != 0) {
      EXPECT_EQ(widget->font().pixelSize(), expected.font_pixels) << expected.text;
      EXPECT_EQ(widget->font().family(), QString::fromUtf8("微软雅黑"));
      EXPECT_EQ(widget->font().weight(), QFont::Normal);
    }
  }
  EXPECT_EQ(control(mw::kResultBox)->parentWidget(), control(mw::kResultGroup));
  EXPECT_FALSE(control(mw::kResultBox)->isEnabled());
}

TEST_F(AppTest, EditBoxesAreBlackOnWhiteAndTheCaptionLineRed) {
  for (TextView name : {mw::kAddressBox, mw::kLinksBox, mw::kResultBox}) {
    const QPalette palette = control(name)->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Disabled}) {
      EXPECT_EQ(palette.color(group, QPalette::Text), QColor(0, 0, 0));
      EXPECT_EQ(palette.color(group, QPalette::Base), QColor(255, 255, 255));
    }
  }
  // The disabled report box draws its text black too.
  app_->window().append_text(mw::kResultBox, gbk("成功提交：2条链接\r\n"));
  const QImage shown = control(mw::kResultBox)->grab().toImage();
  int darkest = 3 * 255;
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) {
      const QColor pixel = shown.pixelColor(x, y);
      darkest = std::min(darkest, pixel.red() + pixel.green() + pixel.blue());
    }
  }
  EXPECT_LT(darkest, 3 * 40);
  QWidget* caption = control(mw::kCaptionLine);
  EXPECT_EQ(caption->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_FALSE(caption->autoFillBackground());
}

TEST_F(AppTest, FocusStartsInTheAddressBoxAndTabCyclesThreeControls) {
  EXPECT_EQ(QApplication::focusWidget(), control(mw::kAddressBox));
  const TextView forward[] = {mw::kLinksBox, mw::kSubmitButton, mw::kAddressBox, mw::kLinksBox};
  for (TextView next : forward) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), control(next));
  }
  const TextView backward[] = {mw::kAddressBox, mw::kSubmitButton, mw::kLinksBox};
  for (TextView next : backward) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), control(next));
  }
}

// As Windows edit boxes: a Tab in selects nothing and finds the caret where it was, a
// box without the focus shows no selection, and one line of text stands at the top.
TEST_F(AppTest, EditBoxesKeepTheirCaretAndHideTheirSelectionWithoutFocus) {
  auto* address = static_cast<QLineEdit*>(control(mw::kAddressBox));
  type_into(mw::kAddressBox, "http://a/b");
  address->setSelection(0, 4);
  auto* links = static_cast<QPlainTextEdit*>(control(mw::kLinksBox));
  QTest::keyClick(address, Qt::Key_Tab);
  QTest::keyClick(links, Qt::Key_Backtab, Qt::ShiftModifier);
  ASSERT_EQ(QApplication::focusWidget(), address);
  EXPECT_EQ(address->selectedText(), "http");
  address->setCursorPosition(2);
  QTest::keyClick(address, Qt::Key_Tab);
  QTest::keyClick(links, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_FALSE(address->hasSelectedText());
  EXPECT_EQ(address->cursorPosition(), 2);
  EXPECT_TRUE(address->alignment() & Qt::AlignTop);

  type_into(mw::kLinksBox, "https://a/1");
  links->selectAll();
  const QColor focused = links->palette().color(QPalette::Active, QPalette::Highlight);
  QTest::keyClick(links, Qt::Key_Tab);
  EXPECT_TRUE(links->textCursor().hasSelection());
  EXPECT_EQ(links->palette().color(QPalette::Active, QPalette::Highlight),
            links->palette().color(QPalette::Active, QPalette::Base));
  links->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(links->palette().color(QPalette::Active, QPalette::Highlight), focused);
}

TEST_F(AppTest, ReactivationGivesTheFocusBackToTheLastControl) {
  control(mw::kLinksBox)->setFocus();
  QWidget other;
  other.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
  QApplication::setActiveWindow(&other);
  QApplication::setActiveWindow(main_widget());
  EXPECT_EQ(QApplication::focusWidget(), control(mw::kLinksBox));
}

TEST_F(AppTest, EnterStartsALineInTheLinksBoxOnly) {
  type_into(mw::kLinksBox, "a");
  QTest::keyClick(control(mw::kLinksBox), Qt::Key_Return);
  QTest::keyClick(control(mw::kLinksBox), Qt::Key_Return);
  QTest::keyClicks(control(mw::kLinksBox), "b");
  EXPECT_EQ(app_->window().text(mw::kLinksBox), "a\r\n\r\nb");
  type_into(mw::kAddressBox, "x");
  QTest::keyClick(control(mw::kAddressBox), Qt::Key_Return);
  EXPECT_EQ(app_->window().text(mw::kAddressBox), "x");
  EXPECT_EQ(result_text(), "");  // Enter clicked nothing
}

TEST_F(AppTest, TextCrossesAsCodePage936) {
  QWidget* links = control(mw::kLinksBox);
  links->setFocus();
  QTest::sendKeyEvent(QTest::KeyAction::Click, links, Qt::Key_unknown, QString::fromUtf8("中文"),
                      Qt::NoModifier);
  EXPECT_EQ(app_->window().text(mw::kLinksBox), gbk("中文"));
  app_->window().append_text(mw::kResultBox, gbk("第一行\r\n"));
  app_->window().append_text(mw::kResultBox, gbk("第二行\r\n"));
  EXPECT_EQ(result_text(), gbk("第一行\r\n第二行\r\n"));
}

TEST_F(AppTest, EscapeClosesTheWindowFromEitherBox) {
  for (TextView name : {mw::kAddressBox, mw::kLinksBox}) {
    app_ = LinkcourierApp::create();
    app_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main_widget()));
    QTest::keyClick(control(name), Qt::Key_Escape);
    EXPECT_FALSE(app_->window().is_open());
  }
}

TEST_F(AppTest, ClosingEndsTheEventLoopWithExitCodeZero) {
  QTimer::singleShot(0, [this] { QTest::keyClick(control(mw::kAddressBox), Qt::Key_Escape); });
  EXPECT_EQ(platform::run_event_loop(), 0);
}

TEST_F(AppTest, ThePublishersSiteOpensOnceBeforeTheWindowShows) {
  ASSERT_EQ(shell_opened_.size(), 1u);
  EXPECT_EQ(shell_opened_[0], mw::kPublisherSite);
  EXPECT_FALSE(window_visible_at_shell_open_);
}

TEST_F(AppTest, ClickingTheCaptionLineDoesNothing) {
  QTest::mouseClick(control(mw::kCaptionLine), Qt::LeftButton);
  EXPECT_EQ(result_text(), "");
  EXPECT_TRUE(app_->window().is_open());
}

struct ToolExit {
  int status = -1;
  std::string output;
};

// Runs the tool under `env ENVIRONMENT`; what it printed and its wait status.
ToolExit run_tool(const std::string& environment) {
  const std::string command = "env " + environment + " " + LINKCOURIER_BINARY + " 2>&1";
  FILE* tool = ::popen(command.c_str(), "r");
  ToolExit exit;
  if (tool == nullptr) return exit;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, tool) != nullptr)
    exit.output += buffer;
  exit.status = ::pclose(tool);
  return exit;
}

// No display, one that is named but not there, a platform whose server does not answer: the
// same text and exit code, never a crash; below the text, the platform and why it failed.
TEST(StartupTest, WithoutAReachableDisplayTheToolSaysSoAndExitsWithMinusOne) {
  const struct {
    const char* environment;
    const char* why;
  } cases[] = {
      {"-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM", " \"xcb\"：没有可用的显示器"},
      {"-u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=:199", " \"xcb\"：连接不上 X 显示器 :199"},
      {"-u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=linkcourier-none", "（Qt 自选）：qt.qpa"},
      {"DISPLAY=:199 WAYLAND_DISPLAY=linkcourier-none QT_QPA_PLATFORM=wayland", " \"wayland\"："},
  };
  for (const auto& [environment, why] : cases) {
    const ToolExit exit = run_tool(environment);
    EXPECT_EQ(WEXITSTATUS(exit.status), 255) << environment;
    const std::string text = "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n";
    ASSERT_TRUE(exit.output.starts_with(text + "窗口系统" + why)) << environment << exit.output;
    // One line, with a cause after the platform.
    const std::string line = exit.output.substr(text.size());
    EXPECT_GT(line.size(), line.find("：") + std::string_view("：\n").size()) << line;
    EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
  }
}

// An X server that resets when its last client leaves (Xvfb without -noreset): the display
// check keeps its connection until Qt has its own, so no start finds the server resetting.
TEST(StartupTest, AnXServerThatResetsNeverAbortsAStart) {
  const XDisplayForTests display;
  for (int start = 0; start < 10; ++start) {
    // Still running after a second (ended by timeout, 124) means it started.
    const ToolExit exit =
        run_tool("-u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=" + display.name() + " timeout 1");
    EXPECT_EQ(WEXITSTATUS(exit.status), 124) << start << exit.output;
  }
}

}  // namespace
}  // namespace lc::test
