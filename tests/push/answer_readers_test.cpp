// Each engine's answer reader, link by link: what each link of a request came to, and why.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "push/engines/google.h"
#include "push/engines/push_interface.h"

namespace lc::push {
namespace {

// The outcomes as letters (A accepted, R refused, D deferred, Q deferred for the quota), and the
// reasons after them, one a link.
std::string described(const std::vector<LinkOutcome>& outcomes) {
  std::string kinds;
  std::string reasons;
  for (const LinkOutcome& link : outcomes) {
    kinds += link.kind == LinkOutcome::Kind::kAccepted  ? 'A'
             : link.kind == LinkOutcome::Kind::kRefused ? 'R'
             : link.for_quota                           ? 'Q'
                                                        : 'D';
    if (!link.reason.empty()) reasons += " " + link.reason;
  }
  return kinds + reasons;
}

TEST(PushAnswerTest, EachLinkKeepsItsOwnOutcome) {
  const std::vector<std::string_view> sent = {"https://a/1", "https://a/2", "https://b/3"};
  const struct {
    int status;
    std::string body;
    BatchOutcome::Kind kind;
    std::string outcomes;  // as described()
  } cases[] = {
      {200, R"({"success_batch":3,"remain_batch":7})", BatchOutcome::Kind::kAnswered, "AAA"},
      {200, R"({"success_batch":1,"not_same_site":["https://b/3"],"not_valid":["https://a/2"]})",
       BatchOutcome::Kind::kAnswered, "ARR 不合法的链接 不是本站的链接"},
      // Named as refused but never sent: no link of the request is refused for it.
      {200, R"({"success_batch":3,"not_valid":["https://c/9"]})", BatchOutcome::Kind::kAnswered,
       "AAA"},
      // Counts that do not add up say nothing of any link.
      {200, R"({"success_batch":2})", BatchOutcome::Kind::kAnswered, ""},
      {200, R"({"success_batch":1,"not_valid":["https://a/1"]})", BatchOutcome::Kind::kAnswered,
       ""},
      {400, R"({"error":400,"message":"over quota"})", BatchOutcome::Kind::kRefused, ""},
      {200, "<html>", BatchOutcome::Kind::kRefused, ""},
  };
  for (const auto& c : cases) {
    const BatchOutcome outcome = read_push_answer(c.status, c.body, sent);
    EXPECT_EQ(outcome.kind, c.kind) << c.body;
    EXPECT_EQ(described(outcome.links), c.outcomes) << c.body;
  }
  EXPECT_EQ(read_push_answer(200, R"({"success_batch":3,"remain_batch":7})", sent).remaining, 7);
  const BatchOutcome over = read_push_answer(400, R"({"message":"over quota"})", sent);
  EXPECT_TRUE(over.over_quota);
  const BatchOutcome disagreeing = read_push_answer(200, R"({"success_batch":2})", sent);
  EXPECT_EQ(disagreeing.counted_accepted, 2);
}

std::string part(int item, const std::string& status, const std::string& body = "{}") {
  const std::string id =
      item > 0 ? "Content-ID: <response-item" + std::to_string(item) + ">\r\n" : "";
  return "--x\r\nContent-Type: application/http\r\n" + id + "\r\nHTTP/1.1 " + status +
         "\r\nContent-Type: application/json\r\n\r\n" + body + "\r\n";
}

TEST(GoogleAnswerTest, PartsAreMatchedByTheirContentId) {
  const std::string type = "multipart/mixed; boundary=x";
  const struct {
    std::size_t sent;
    std::string body;
    std::string outcomes;
  } cases[] = {
      {2, part(1, "200 OK") + part(2, "200 OK") + "--x--", "AA"},
      // In reverse order, each part still answers its own item.
      {3,
       part(3, "429 Too Many Requests") + part(2, "200 OK") + part(1, "503 Unavailable") + "--x--",
       "DAQ 暂时的失败（503） 超出当天的配额：余下的链接留待下次推送"},
      // Each refusal keeps its own words, whatever follows it.
      {2,
       part(1, "400 Bad Request", R"({"error":{"message":"Invalid URL"}})") +
           part(2, "429 Too Many Requests") + "--x--",
       "RQ Invalid URL 超出当天的配额：余下的链接留待下次推送"},
      // Parts without an id stand in their places; a link without a part waits.
      {3, part(0, "200 OK") + part(0, "200 OK") + "--x--", "AAD 应答里没有这条链接的部分"},
      {1, "not multipart", "D 应答里没有这条链接的部分"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(described(read_batch_answer(c.sent, c.body, type)), c.outcomes) << c.body;
}

}  // namespace
}  // namespace lc::push
