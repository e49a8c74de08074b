#include "app/linkcourier_app.h"

#include <cstdio>

#include "app/main_window.h"
#include "platform/shell.h"
#include "platform/text_encodings.h"

namespace lc {
namespace {

// "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n", and its box's caption "错误".
constexpr TextView kStartupFailed =
    "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n\r\n\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA\xD4"
    "\xD8\xC8\xEB\xC6\xF4\xB6\xAF\xB4\xB0\xBF\xDA\xCA\xA7\xB0\xDC\r\n";
constexpr TextView kStartupFailedCaption = "\xB4\xED\xCE\xF3";
constexpr int kStartupFailedExitCode = -1;

}  // namespace

std::unique_ptr<LinkcourierApp> LinkcourierApp::create() {
  std::unique_ptr<platform::Window> window = platform::create_window(main_window::description());
  if (!window) return nullptr;
  std::unique_ptr<LinkcourierApp> app(new LinkcourierApp(std::move(window)));
  on_main_window_created();
  return app;
}

LinkcourierApp::LinkcourierApp(std::unique_ptr<platform::Window> window)
    : window_(std::move(window)) {
  window_->on_click(main_window::kSubmitButton, [this] { submit_links(*this); });
}

Text LinkcourierApp::interface_address() const {
  return window_->text(main_window::kAddressBox);
}

Text LinkcourierApp::links() const {
  return window_->text(main_window::kLinksBox);
}

void LinkcourierApp::append_report(TextView report) {
  // A window closed while the exchange let messages run has nowhere left to show the report.
  if (window_->is_open()) window_->append_text(main_window::kResultBox, report);
}

void LinkcourierApp::show_busy(bool busy) {
  window_->show_busy(busy);
}

void LinkcourierApp::show_message(TextView text, TextView caption) {
  platform::message_box(text, caption, platform::MessageIcon::kNone);
}

void on_main_window_created() {
  platform::shell_open(main_window::kPublisherSite);
}

int run_linkcourier(int& argc, char** argv) {
  std::string why;
  if (!platform::start_window_system(argc, argv, &why)) {
    // No window system to show the box in: the terminal gets the text, in its own encoding, and
    // below it which platform failed and why.
    const std::string message = platform::cp936_to_utf8(kStartupFailed);
    std::fputs(message.c_str(), stderr);
    std::fputs((why + "\n").c_str(), stderr);
    return kStartupFailedExitCode;
  }
  const std::unique_ptr<LinkcourierApp> app = LinkcourierApp::create();
  if (!app) {
    platform::message_box(kStartupFailed, kStartupFailedCaption, platform::MessageIcon::kError);
    return kStartupFailedExitCode;
  }
  app->show();
  return platform::run_event_loop();
}

}  // namespace lc
