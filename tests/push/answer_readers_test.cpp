// Each engine's answer reader, link by link: what each link of a request came to, and why.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "push/engines/bing_feeds.h"
#include "push/engines/bing_url_info.h"
#include "push/engines/google.h"
#include "push/engines/google_inspection.h"
#include "push/engines/google_sitemaps.h"
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

// An inspection as letters (I indexed, N not indexed, L left to the next run, S stopped, Q
// stopped for the day's quota), then its coverage and last crawl, or its words.
std::string described(const InspectionOutcome& outcome) {
  switch (outcome.kind) {
    case InspectionOutcome::Kind::kInspected:
      return std::string(outcome.inspection.indexed ? "I " : "N ") + outcome.inspection.coverage +
             " " + std::to_string(outcome.inspection.last_crawl.value_or(0));
    case InspectionOutcome::Kind::kLeft:
      return "L " + outcome.words;
    case InspectionOutcome::Kind::kStopped:
      return (outcome.for_quota ? "Q " : "S ") + outcome.words;
  }
  return "";
}

// An answer of `status` and `body`, and what it is taken for, as described().
struct InspectionCase {
  int status;
  std::string body;
  std::string described;
};

// Indexed is the verdict PASS, not indexing allowed; each refusal in plain words, naming the
// property where it is at fault.
TEST(InspectionAnswerTest, GoogleVerdictsAndRefusals) {
  const std::string property = "sc-domain:example.com";
  const InspectionCase cases[] = {
      {200,
       R"({"inspectionResult":{"indexStatusResult":{"verdict":"PASS","coverageState":)"
       R"("Submitted and indexed","lastCrawlTime":"2026-12-01T08:00:00Z"}}})",
       "I Submitted and indexed 1796112000"},
      {200,
       R"({"inspectionResult":{"indexStatusResult":{"verdict":"NEUTRAL","coverageState":)"
       R"("Crawled - currently not indexed","indexingState":"INDEXING_ALLOWED"}}})",
       "N Crawled - currently not indexed 0"},
      {200, R"({"inspectionResult":{"indexStatusResult":{"verdict":"FAIL"}}})", "N FAIL 0"},
      {200, R"({"inspectionResult":{}})", "L 检查结果里没有索引状态：这条链接留待下次检查"},
      {403, R"({"error":{"code":403,"message":"You do not own this site"}})",
       "S 没有权限检查：服务账号须是资源 sc-domain:example.com 在站长工具里的用户（该资源不存在时也"
       "这样答复）"},
      {404, "", "S 资源 sc-domain:example.com 不存在"},
      {400, R"({"error":{"code":400,"message":"URL not in property."}})",
       "S 链接不属于资源 sc-domain:example.com：网址前缀资源须与链接的开头一致，网域资源写作 "
       "sc-domain:域名。接口的答复：URL not in property."},
      {429, "", "Q 超出当天的检查配额：余下的链接留待下次检查"},
      {503, R"({"error":{"code":503,"message":"The service is currently unavailable."}})",
       "S 检查中断，余下的链接留待下次检查：The service is currently unavailable."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(described(read_url_inspection(c.status, c.body, "https://example.com/a", property)),
              c.described)
        << c.body;
}

// Bing tells crawled, with the status its crawler met, and dates as /Date(ms)/.
TEST(InspectionAnswerTest, BingCrawlsAndRefusals) {
  const InspectionCase cases[] = {
      {200,
       R"({"d":{"HttpStatus":200,"LastCrawledDate":"/Date(1796112000000)/",)"
       R"("DiscoveryDate":"/Date(1796025600000+0000)/"}})",
       "I Crawled, HTTP 200 1796112000"},
      {200, R"({"d":{"HttpStatus":404,"LastCrawledDate":"/Date(1796112000000)/"}})",
       "N Crawled, HTTP 404 1796112000"},
      {200, R"({"d":{"HttpStatus":0,"LastCrawledDate":"/Date(-62135596800000)/"}})",
       "N Not crawled 0"},
      {400, R"({"ErrorCode":7,"Message":"ERROR!!! InvalidUrl"})", "L 链接无效，或不属于该站点"},
      {400, R"({"ErrorCode":14,"Message":"ERROR!!! NotAuthorized"})",
       "S "
       "检查中断，余下的链接留待下次检查：无权为该站点提交：请先在该搜索引擎的站长工具里验证站点，"
       "再用同一账号的 API 密钥"},
      {400, R"({"ErrorCode":4,"Message":"ERROR!!! ThrottleUser"})",
       "Q 请求过于频繁，被限流：余下的链接留待下次检查"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(described(read_url_info(c.status, c.body)), c.described) << c.body;
  EXPECT_FALSE(parse_bing_date("/Date(abc)/"));
  EXPECT_FALSE(parse_bing_date("1796112000000"));
}

// A sitemap answer in one line: D(one) or R(efused, S where it stops the rest), with the state
// read (last read, pending, errors, warnings) or the words.
std::string described(const SitemapAnswer& answer) {
  if (!answer.done) return (answer.stops ? "S " : "R ") + answer.words;
  if (!answer.state) return "D";
  const SitemapState& state = *answer.state;
  return "D " + std::to_string(state.last_downloaded.value_or(0)) + (state.pending ? " P " : " ") +
         std::to_string(state.errors) + " " + std::to_string(state.warnings);
}

// Google writes its counts as texts; Bing tells a status per sitemap, no counts.
TEST(SitemapAnswerTest, StatesAndRefusals) {
  const std::string property = "https://example.com/";
  const InspectionCase google[] = {
      {200,
       R"({"path":"https://example.com/s.xml","lastDownloaded":"2026-12-01T08:00:00Z",)"
       R"("isPending":false,"errors":"2","warnings":"31"})",
       "D 1796112000 2 31"},
      {200, R"({"path":"https://example.com/s.xml","isPending":true})", "D 0 P 0 0"},
      {403, "",
       "S 没有权限：服务账号须是资源 https://example.com/ 在站长工具里有完整权限的用户或所有者"},
      {404, "", "S 资源 https://example.com/ 不存在"},
      {429, "", "S 超出站点地图接口的配额：留待下次提交"},
      {400, R"({"error":{"code":400,"message":"Sitemap URL not in property."}})",
       "R Sitemap URL not in property."},
  };
  for (const auto& c : google)
    EXPECT_EQ(described(read_google_sitemap_answer(c.status, c.body, property)), c.described);
  const InspectionCase bing[] = {
      {200,
       R"({"d":[{"Url":"https://example.com/other.xml","Status":"Failed"},)"
       R"({"Url":"https://example.com/s.xml","Status":"Success",)"
       R"("LastCrawled":"/Date(1796112000000)/"}]})",
       "D 1796112000 0 0"},
      {200,
       R"({"d":[{"Url":"https://example.com/s.xml","Status":"Failed",)"
       R"("LastCrawled":"/Date(1796112000000)/"}]})",
       "D 1796112000 1 0"},
      {200, R"({"d":[{"Url":"https://example.com/s.xml","Status":"Pending"}]})", "D 0 P 0 0"},
      {200, R"({"d":[]})", "D"},
      {400, R"({"ErrorCode":14,"Message":"ERROR!!! NotAuthorized"})",
       "S 无权为该站点提交：请先在该搜索引擎的站长工具里验证站点，再用同一账号的 API 密钥"},
  };
  for (const auto& c : bing)
    EXPECT_EQ(described(read_bing_feeds(c.status, c.body, "https://example.com/s.xml")),
              c.described);
}

}  // namespace
}  // namespace lc::push
