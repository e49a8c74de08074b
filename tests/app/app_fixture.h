#pragma once
// A started tool, its real widgets found by their control names, and the push-interface
// simulator running beside it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <memory>
#include <string>

#include "app/linkcourier_app.h"
#include "app/main_window.h"
#include "common/text.h"
#include "tests/support/child_process.h"

namespace lc::test {

class AppTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  QWidget* control(TextView name) const;
  QWidget* main_widget() const;
  // Types ASCII text into the focused control.
  void type_into(TextView control_name, const std::string& text);
  void click_submit();
  Text result_text() const { return app_->window().text(main_window::kResultBox); }

  // Starts the simulator; returns the address to paste into the tool.
  std::string start_simulator(std::vector<std::string> extra_arguments = {});
  // The n-th request the simulator recorded, or empty text.
  std::string recorded_request(int n) const;

  std::unique_ptr<LinkcourierApp> app_;
  std::vector<Text> shell_opened_;
  bool window_visible_at_shell_open_ = false;
  TemporaryDirectory records_;
  std::unique_ptr<ChildProcess> simulator_;
};

}  // namespace lc::test
