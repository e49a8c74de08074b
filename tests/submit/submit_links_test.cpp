// The submit command over a view that only records: each kind of answer and the exact report.
#include "submit/submit_links.h"

#include <gtest/gtest.h>

#include "http/http_messages.h"
#include "tests/support/cp936.h"
#include "tests/support/scripted_server.h"

namespace lc::test {
namespace {

class RecordingView final : public SubmitView {
 public:
  RecordingView(Text address, Text links)
      : address_(std::move(address)), links_(std::move(links)) {}

  Text interface_address() const override { return address_; }
  Text links() const override { return links_; }
  void append_report(TextView report) override {
    reports.emplace_back(report);
    busy_at_report = busy;
  }
  void show_message(TextView text, TextView) override { messages.emplace_back(text); }
  void show_busy(bool on) override { busy += on ? 1 : -1; }

  std::vector<Text> reports;
  std::vector<Text> messages;
  int busy = 0;
  int busy_at_report = -1;

 private:
  Text address_;
  Text links_;
};

Text report(const std::string& accepted, const std::string& remaining, const Text& failure = "") {
  Text text = gbk("成功提交：" + accepted + "条链接\r\n剩余额度：" + remaining + "条\r\n");
  return failure.empty() ? text : text + failure + "\r\n";
}

struct AnswerCase {
  const char* name;
  std::string status_line;
  std::vector<std::string> header_lines;
  std::string body;
  Text expected;
};

class SubmitAnswerTest : public testing::TestWithParam<AnswerCase> {};

TEST_P(SubmitAnswerTest, AppendsTheReportTheAnswerCallsFor) {
  const AnswerCase& c = GetParam();
  ScriptedServer server({respond(c.status_line, c.header_lines, c.body)});
  RecordingView view(server.url("/urls?site=a&token=b"), "https://a/1\r\nhttps://a/2");
  submit_links(view);
  ASSERT_EQ(view.reports.size(), 1u);
  EXPECT_EQ(view.reports[0], c.expected);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(view.busy_at_report, 0);  // the busy cursor ends before the report
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_TRUE(server.requests()[0].ends_with("\r\n\r\nhttps://a/1\r\nhttps://a/2"));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SubmitAnswerTest,
    testing::Values(AnswerCase{"both_keys",
                               "HTTP/1.1 200 OK",
                               {},
                               R"({"success_batch":2,"remain_batch":498})",
                               report("2", "498")},
                    // Each value runs to the next ',' or '}', as it stands.
                    AnswerCase{"keys_swapped",
                               "HTTP/1.1 200 OK",
                               {},
                               R"({"remain_batch":498,"success_batch":2})",
                               report("", "498,\"success_batch\":2")},
                    AnswerCase{"spaces",
                               "HTTP/1.1 200 OK",
                               {},
                               R"({"success_batch": 2, "remain_batch": 498 })",
                               report(" 2", " 498 ")},
                    AnswerCase{"refused_token",
                               "HTTP/1.1 401 Unauthorized",
                               {},
                               R"({"error":401,"message":"token is not valid"})",
                               report("", "", "401 Unauthorized")},
                    AnswerCase{"gateway_page",
                               "HTTP/1.1 502 Bad Gateway",
                               {"Content-Type: text/html"},
                               "<html><body><h1>502 Bad Gateway</h1></body></html>",
                               report("", "", "502 Bad Gateway")},
                    AnswerCase{
                        "utf8_page",
                        "HTTP/1.1 200 OK",
                        {},
                        "<html><head><meta charset=\"utf-8\"></head><body>\xE6\x88\x90\xE5\x8A\x9F"
                        R"({"success_batch":1,"remain_batch":9}</body></html>)",
                        report("1", "9")}),
    [](const auto& info) { return info.param.name; });

// Where nothing answers, the report carries the client's message; without an address, only the
// message box shows and nothing is sent.
TEST(SubmitLinksTest, FailuresBeforeAnyAnswer) {
  const std::string refused = "http://127.0.0.1:" + std::to_string(unused_port()) + "/urls";
  const struct {
    Text address;
    Text links;
    Text expected;
  } cases[] = {
      {refused, "https://a/1", report("", "", Text(http_messages::kSendFailed))},
      {"127.0.0.1/urls", "https://a/1", report("", "", Text(http_messages::kBadUrl))},
  };
  for (const auto& c : cases) {
    RecordingView view(c.address, c.links);
    submit_links(view);
    ASSERT_EQ(view.reports.size(), 1u) << c.address;
    EXPECT_EQ(view.reports[0], c.expected) << c.address;
    EXPECT_EQ(view.busy, 0);
  }
  RecordingView no_address("", "https://a/1");
  submit_links(no_address);
  EXPECT_TRUE(no_address.reports.empty());
  ASSERT_EQ(no_address.messages.size(), 1u);
  EXPECT_EQ(no_address.messages[0], gbk("请输入链接推送接口地址！"));
}

TEST(SubmitLinksTest, EmptyLinksGoOutAsAnEmptyBodyAndTheRefusalIsReported) {
  ScriptedServer server(
      {respond("HTTP/1.1 400 Bad Request", {}, R"({"error":400,"message":"empty content"})")});
  RecordingView view(server.url("/urls"), "");
  submit_links(view);
  ASSERT_EQ(view.reports.size(), 1u);
  EXPECT_EQ(view.reports[0], report("", "", "400 Bad Request"));
  ASSERT_EQ(server.requests().size(), 1u);
  const std::string request = server.requests()[0];
  EXPECT_NE(request.find("\r\nContent-Length: 0\r\n"), std::string::npos) << request;
  EXPECT_TRUE(request.ends_with("\r\n\r\n")) << request;
}

}  // namespace
}  // namespace lc::test
