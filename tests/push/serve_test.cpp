// linkcourier-push serve: links posted over HTTP are kept in the record before the answer, and a
// run then sends them; what cannot be taken is refused in plain words, and nothing of it kept.
#include <gtest/gtest.h>

#include <string>

#include "tests/push/push_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/scripted_server.h"
#include "tests/support/sockets.h"

namespace lc::test {
namespace {

// `request`: the method and the target.
std::string ask(std::uint16_t port, const std::string& request, const std::string& token,
                const std::string& type, const std::string& body) {
  return ask_loopback(port, request + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " +
                                token + "\r\nContent-Type: " + type +
                                "\r\nContent-Length: " + std::to_string(body.size()) +
                                "\r\nConnection: close\r\n\r\n" + body);
}

TEST_F(PushProgramTest, ServedLinksAreKeptBeforeTheAnswerAndSentByTheNextRun) {
  if (push("--help").output.find("\n  serve ") == std::string::npos)
    GTEST_SKIP() << "this build has no serve";
  const std::string root = "http://127.0.0.1:" + std::to_string(port_ = unused_port());
  start_simulator({"--site", "www.example.com"});
  const std::uint16_t port = unused_port();
  write("token", "intake-token-1\n");
  write("bing.key", "demo-token\n");
  // The run's own source has one of the posted links: it is still sent once.
  write("links.txt", "https://www.example.com/a\n");
  const std::string config = write(
      "config.toml", "state = \"state.db\"\n[serve]\nlisten = \"127.0.0.1:" + std::to_string(port) +
                         "\"\ntoken_file = \"token\"\n[[site]]\nname = \"www\"\nfiles = "
                         "[\"links.txt\"]\n[site.bing]\napi_key_file = \"bing.key\"\nsite_url = "
                         "\"https://www.example.com/\"\nendpoint = \"" +
                         root + "/webmaster/api.svc/json\"\n");
  ChildProcess service({push_command(), "serve", "--config", config});
  ASSERT_TRUE(service.wait_for_port(port));

  const std::string json = "application/json";
  const struct {
    std::string request, token, type, body;
    std::string status, says;
  } cases[] = {
      {"POST /v1/links", "intake-token-1", json,
       R"({"site":"www","links":["https://www.example.com/a","https://www.example.com/b"]})",
       "HTTP/1.1 202", R"({"taken":2})"},
      // Published again at once: taken, and still sent once.
      {"POST /v1/links?site=www", "intake-token-1", "text/plain",
       "https://www.example.com/b\r\n\r\nhttps://www.example.com/c\n", "HTTP/1.1 202",
       R"({"taken":2})"},
      {"GET /v1/status", "intake-token-1", json, "", "HTTP/1.1 200", R"("waiting": 3)"},
      {"POST /v1/links?site=www", "wrong", "text/plain", "https://www.example.com/d",
       "HTTP/1.1 401", "Authorization: Bearer TOKEN"},
      {"POST /v1/links", "intake-token-1", json,
       R"({"site":"www","links":["https://www.example.com/d","https://shop.example.com/x","x"]})",
       "HTTP/1.1 422",
       R"("links":[{"link":"https://shop.example.com/x","problem":"不属于这个站点的主机 www.example.com"},{"link":"x","problem":"不是 http 或 https 链接"}])"},
      {"POST /v1/links", "intake-token-1", json,
       R"({"site":"shop","links":["https://shop.example.com/"]})", "HTTP/1.1 422",
       "配置文件里没有站点 shop"},
      {"POST /v1/links", "intake-token-1", json, R"({"site":"www","links":["https://www.exa)",
       "HTTP/1.1 400", "不是 JSON 对象"},
      {"POST /v1/links", "intake-token-1", "text/plain", "https://www.example.com/e",
       "HTTP/1.1 400", "没有给出站点"},
      {"POST /v1/links?site=www", "intake-token-1", "text/plain",
       std::string(16 * 1024 * 1024 + 1, 'x'), "HTTP/1.1 413", "请分成几次发送"},
      {"POST /v1/other", "intake-token-1", "text/plain", "", "HTTP/1.1 404", "/v1/links"},
  };
  for (const auto& c : cases) {
    const std::string answer = ask(port, c.request, c.token, c.type, c.body);
    EXPECT_EQ(answer.rfind(c.status, 0), 0u) << c.body.substr(0, 80) << "\n" << answer;
    EXPECT_NE(answer.find(c.says), std::string::npos) << answer;
  }

  const Outcome run = push("--config " + config);
  EXPECT_EQ(run.exit_code, 0) << run.output;
  std::string sent;
  for (const std::string& request :
       all_recorded([this](int n) { return recorded(n); }, requests_recorded()))
    sent += request.substr(request.find("\r\n\r\n") + 4);
  EXPECT_NE(
      sent.find(
          R"(["https://www.example.com/a","https://www.example.com/b","https://www.example.com/c"])"),
      std::string::npos)
      << sent;
  EXPECT_EQ(sent.find("example.com/d"), std::string::npos) << "nothing of a refused post";
}

}  // namespace
}  // namespace lc::test
