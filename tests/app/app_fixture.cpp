#include "tests/app/app_fixture.h"

#include <QTest>
#include <fstream>
#include <sstream>

#include "platform/linux/qt_text.h"
#include "platform/shell.h"
#include "tests/support/scripted_server.h"

namespace lc::test {

void AppTest::SetUp() {
  platform::testing::set_shell_recorder([this](TextView path) {
    shell_opened_.emplace_back(path);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      window_visible_at_shell_open_ |= widget->isVisible();
    }
  });
  app_ = LinkcourierApp::create();
  ASSERT_NE(app_, nullptr);
  app_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(main_widget()));
  QApplication::setActiveWindow(main_widget());
}

void AppTest::TearDown() {
  app_.reset();
  platform::testing::set_shell_recorder(nullptr);
}

QWidget* AppTest::main_widget() const {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->findChild<QWidget*>(platform::to_qstring(main_window::kAddressBox))) return widget;
  }
  return nullptr;
}

QWidget* AppTest::control(TextView name) const {
  return main_widget()->findChild<QWidget*>(platform::to_qstring(name));
}

void AppTest::type_into(TextView control_name, const std::string& text) {
  QWidget* widget = control(control_name);
  widget->setFocus();
  QTest::keyClicks(widget, QString::fromStdString(text));
}

void AppTest::click_submit() {
  QTest::mouseClick(control(main_window::kSubmitButton), Qt::LeftButton);
}

std::string AppTest::start_simulator(std::vector<std::string> extra_arguments) {
  const std::uint16_t port = unused_port();
  std::vector<std::string> argv = {LINKCOURIER_SIMULATOR,
                                   "--port",
                                   std::to_string(port),
                                   "--site",
                                   "www.example.com",
                                   "--token",
                                   "t0k3n",
                                   "--record",
                                   records_.path()};
  argv.insert(argv.end(), extra_arguments.begin(), extra_arguments.end());
  simulator_ = std::make_unique<ChildProcess>(argv);
  EXPECT_TRUE(simulator_->wait_for_port(port));
  return "http://127.0.0.1:" + std::to_string(port) + "/urls?site=www.example.com&token=t0k3n";
}

std::string AppTest::recorded_request(int n) const {
  std::ifstream in(records_.file("request-" + std::to_string(n)), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace lc::test
