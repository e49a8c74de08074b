// A click on "提交" end to end: real widgets, the real client, the simulator.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <thread>

#include "http/http_request.h"
#include "platform/event_pump.h"
#include "platform/linux/qt_text.h"
#include "platform/shell.h"
#include "tests/app/app_fixture.h"
#include "tests/app/x_display_for_tests.h"
#include "tests/support/cp936.h"
#include "tests/support/scripted_server.h"

namespace lc::test {
namespace {

namespace mw = main_window;

Text report(const std::string& accepted, const std::string& remaining) {
  return gbk("成功提交：" + accepted + "条链接\r\n剩余额度：" + remaining + "条\r\n");
}

// Does `act` once, at the first point where a submission lets pending messages run, as a user's
// click or key press arriving just then would be handled.
class AtFirstPendingMessages {
 public:
  explicit AtFirstPendingMessages(std::function<void()> act) {
    platform::set_pending_messages_handler([this, act] {
      if (!acted_) {
        acted_ = true;
        act();
      }
      QCoreApplication::processEvents(QEventLoop::AllEvents);
    });
  }
  ~AtFirstPendingMessages() {
    platform::set_pending_messages_handler(
        [] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
  }

 private:
  bool acted_ = false;
};

// A real list, pasted: 10,000 links of the site, two refused ones, all in one request.
TEST_F(AppTest, TenThousandPastedLinksGoOutWholeAndTheRefusedAreCounted) {
  type_into(mw::kAddressBox, start_simulator({"--quota", "20000"}));
  std::string links;
  for (int i = 0; i < 10000; ++i)
    links += "https://www.example.com/articles/" + std::to_string(100000 + i) + ".html\r\n";
  links += "ftp://www.example.com/x\r\nhttps://elsewhere.example.org/y";
  static_cast<QPlainTextEdit*>(control(mw::kLinksBox))
      ->setPlainText(QString::fromStdString(links).replace("\r\n", "\n"));
  click_submit();
  EXPECT_EQ(result_text(), report("10000", "10000"));
  EXPECT_TRUE(recorded_request(1).ends_with("\r\n\r\n" + links));
}

// The simulator answers as real interfaces do: refused links listed, a cap per call, a quota
// that falls across calls.
TEST_F(AppTest, TheSimulatorAnswersAsPushInterfacesDo) {
  const std::string address = start_simulator({"--quota", "3", "--max-links", "3"});
  const struct {
    const char* links;
    const char* answer;
  } calls[] = {
      {"https://www.example.com/a\r\nftp://x\r\nhttps://other.org/b",
       R"({"not_same_site":["https://other.org/b"],"not_valid":["ftp://x"],"success_batch":1,)"
       R"("remain_batch":2})"},
      {"https://www.example.com/1\nhttps://www.example.com/2\nhttps://www.example.com/3\n"
       "https://www.example.com/4",
       R"({"error":400,"message":"more than 3 links in one call"})"},
      {"https://www.example.com/1\nhttps://www.example.com/2",
       R"({"success_batch":2,"remain_batch":0})"},
      {"https://www.example.com/1", R"({"error":400,"message":"over quota"})"},
  };
  for (const auto& call : calls) {
    EXPECT_EQ(http_request(address, {.method = HttpMethod::kPost, .body_text = call.links}),
              call.answer);
  }
}

// While the exchange waits on a slow answer the window repaints, under the busy cursor, and
// nothing runs that only the fixed points may run.
TEST_F(AppTest, TheWindowRepaintsUnderTheBusyCursorWhileTheAnswerIsAwaited) {
  ScriptedServer server({{test::pause_for(std::chrono::milliseconds(1500)),
                          test::send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}")}});
  type_into(mw::kAddressBox, server.url("/urls"));
  bool fixed_point_reached = false;
  AtFirstPendingMessages at_fixed_point([&] { fixed_point_reached = true; });
  int paints_while_waiting = 0;
  bool busy_while_waiting = false;
  QWidget* result = static_cast<QAbstractScrollArea*>(control(mw::kResultBox))->viewport();
  struct PaintCounter : QObject {
    std::function<void()> on_paint;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) on_paint();
      return false;
    }
  } counter;
  counter.on_paint = [&] { paints_while_waiting += fixed_point_reached ? 0 : 1; };
  result->installEventFilter(&counter);
  QTimer::singleShot(500, [&] {
    busy_while_waiting = QApplication::overrideCursor() != nullptr &&
                         QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    result->update();  // as an uncovered window asks to be painted
  });
  click_submit();
  EXPECT_GT(paints_while_waiting, 0);
  EXPECT_TRUE(busy_while_waiting);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(result_text(), report("", ""));
}

TEST_F(AppTest, SubmitPostsTheLinksAndAppendsTheReport) {
  type_into(mw::kAddressBox, start_simulator());
  type_into(mw::kLinksBox, "http://www.example.com/a");
  QTest::keyClick(control(mw::kLinksBox), Qt::Key_Return);
  QTest::keyClicks(control(mw::kLinksBox), "https://www.example.com/b");
  click_submit();
  EXPECT_EQ(result_text(), report("2", "4998"));
  const std::string request = recorded_request(1);
  EXPECT_TRUE(request.starts_with("POST /urls?site=www.example.com&token=t0k3n\r\n")) << request;
  for (const char* line :
       {"User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n",
        "Accept: text/html, application/xhtml+xml, */*\r\n", "Accept-Encoding: gbk, GB2312\r\n",
        "Accept-Language: zh-cn\r\n", "Content-Type: application/x-www-form-urlencoded\r\n",
        "Cache-Control: no-cache\r\n", "Content-Length: 51\r\n"}) {
    EXPECT_NE(request.find(line), std::string::npos) << line;
  }
  EXPECT_TRUE(request.ends_with("\r\n\r\nhttp://www.example.com/a\r\nhttps://www.example.com/b"))
      << request;
}

TEST_F(AppTest, EmptyAddressShowsTheTaskModalMessageAndSendsNothing) {
  start_simulator();
  QString text;
  QString caption;
  bool modal = false;
  bool only_ok = false;
  QString button;
  bool no_icon = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    text = box->text();
    caption = box->windowTitle();
    modal = box->windowModality() == Qt::ApplicationModal;
    only_ok = box->standardButtons() == QMessageBox::Ok;
    button = box->button(QMessageBox::Ok)->text();
    no_icon = box->icon() == QMessageBox::NoIcon;
    box->accept();
  });
  click_submit();
  EXPECT_EQ(text, QString::fromUtf8("请输入链接推送接口地址！"));
  EXPECT_EQ(caption, QString::fromUtf8("信息："));
  EXPECT_TRUE(modal && only_ok && no_icon);
  EXPECT_EQ(button, QString::fromUtf8("确定"));
  EXPECT_EQ(result_text(), "");
  EXPECT_EQ(recorded_request(1), "");
}

TEST_F(AppTest, FailuresAppendTheEmptyReportAndTheReason) {
  struct Case {
    std::string address;
    std::string reason;
  };
  const std::string refused = "http://127.0.0.1:" + std::to_string(unused_port()) + "/urls";
  const Case cases[] = {
      {" ", "701 解析URL地址失败!\r\n"},  // a single space is tried, and fails
      {refused, "711 发送请求失败!\r\n"},
  };
  for (const Case& c : cases) {
    QLineEdit* address = qobject_cast<QLineEdit*>(control(mw::kAddressBox));
    address->clear();
    type_into(mw::kAddressBox, c.address);
    const Text before = result_text();
    click_submit();
    EXPECT_EQ(result_text(), before + report("", "") + gbk(c.reason)) << c.address;
  }
}

TEST_F(AppTest, ARefusedTokenAppendsTheInterfacesStatus) {
  const std::string address = start_simulator();
  type_into(mw::kAddressBox, address.substr(0, address.size() - 5) + "wrong");
  type_into(mw::kLinksBox, "http://www.example.com/a");
  click_submit();
  EXPECT_EQ(result_text(), report("", "") + "401 Unauthorized\r\n");
}

TEST_F(AppTest, RemainFirstAnswerShowsWhatTheMarkersCutOut) {
  type_into(mw::kAddressBox, start_simulator({"--remain-first"}));
  type_into(mw::kLinksBox, "http://www.example.com/a");
  click_submit();
  EXPECT_EQ(result_text(), report("", "4999,\"success_batch\":1"));
}

TEST_F(AppTest, TwoClicksAppendTwoReports) {
  type_into(mw::kAddressBox, start_simulator());
  type_into(mw::kLinksBox, "http://www.example.com/a");
  click_submit();
  click_submit();
  EXPECT_EQ(result_text(), report("1", "4999") + report("1", "4998"));
}

TEST_F(AppTest, AClickWhileAnExchangeLetsMessagesRunNestsAndReportsFirst) {
  type_into(mw::kAddressBox, start_simulator());
  type_into(mw::kLinksBox, "http://www.example.com/a");
  AtFirstPendingMessages nested_click([this] { click_submit(); });
  click_submit();
  // The outer submission was answered first (4999) but reports after the inner one (4998).
  EXPECT_EQ(result_text(), report("1", "4998") + report("1", "4999"));
}

TEST_F(AppTest, ClosingWhileAnExchangeLetsMessagesRunDropsItsReport) {
  type_into(mw::kAddressBox, start_simulator());
  type_into(mw::kLinksBox, "http://www.example.com/a");
  AtFirstPendingMessages close_now(
      [this] { QTest::keyClick(control(mw::kAddressBox), Qt::Key_Escape); });
  click_submit();
  EXPECT_FALSE(app_->window().is_open());
  EXPECT_EQ(result_text(), "");
  EXPECT_NE(recorded_request(1), "");  // the exchange itself went ahead
}

// What a window manager sends when the user closes a window, and Esc, as X delivers them to the
// tool's window: while an exchange waits on a 20-second answer, either ends the tool at once.
TEST(ClosingTest, DuringAnExchangeEndsTheToolAtOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const XDisplayForTests display;
  for (const auto send : {&XDisplayForTests::press_escape, &XDisplayForTests::ask_to_close}) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EXIT(
        {
          ScriptedServer server({{test::pause_for(std::chrono::seconds(20)),
                                  test::send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}")}});
          platform::testing::set_shell_recorder([](TextView) {});
          auto app = LinkcourierApp::create();
          app->show();
          QWidget* window = QApplication::topLevelWidgets().front();
          EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
          const WId id = window->winId();
          window->findChild<QLineEdit*>(platform::to_qstring(mw::kAddressBox))
              ->setText(QString::fromStdString(server.url("/urls")));
          window->findChild<QPlainTextEdit*>(platform::to_qstring(mw::kLinksBox))
              ->setPlainText("https://a/1");
          std::thread user([&] {
            while (server.requests().empty())
              std::this_thread::sleep_for(std::chrono::milliseconds(20));
            (display.*send)(static_cast<std::uint32_t>(id));
          });
          user.detach();
          QTest::mouseClick(window->findChild<QWidget*>(platform::to_qstring(mw::kSubmitButton)),
                            Qt::LeftButton);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  }
}

}  // namespace
}  // namespace lc::test
