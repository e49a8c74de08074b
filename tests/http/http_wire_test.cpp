// What goes on the wire, checked byte for byte against a scripted loopback server.
#include <gtest/gtest.h>

#include <optional>

#include "http/http_request.h"
#include "tests/support/scripted_server.h"
#include "tests/support/under_wine.h"

namespace lc {
namespace {

using test::respond;
using test::ScriptedServer;

// One request as the client should send it: the lines it assembled, and the lines the transport
// adds on its own (the host, the server credentials, the body's length).
struct Wire {
  std::string request_line;
  std::string assembled_lines{};  // each ended by CR LF
  std::string authorization{};    // the credentials' line, or empty
  std::optional<std::size_t> content_length{};
  std::string body{};
};

// The exact bytes of `wire` to `server`, with the transport's lines where it puts them: libcurl
// before and after the assembled ones; the Windows service after them, with a Connection line of
// its own unless there is one.
std::string on_the_wire(const ScriptedServer& server, const Wire& wire) {
  const std::string host = "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n";
  const std::string authorization =
      wire.authorization.empty() ? "" : "Authorization: " + wire.authorization + "\r\n";
  const std::string length =
      wire.content_length ? "Content-Length: " + std::to_string(*wire.content_length) + "\r\n" : "";
#ifdef _WIN32
  const bool has_connection = wire.assembled_lines.find("Connection:") != std::string::npos;
  return wire.request_line + "\r\n" + wire.assembled_lines + host + authorization + length +
         (has_connection ? "" : "Connection: Keep-Alive\r\n") + "\r\n" + wire.body;
#else
  return wire.request_line + "\r\n" + host + authorization + wire.assembled_lines + length +
         "\r\n" + wire.body;
#endif
}

TEST(HttpWireTest, SubmitPostCarriesTheDefaultLinesInOrder) {
  ScriptedServer server({respond("HTTP/1.1 200 OK", {}, "{}")});
  const Text links = "http://a.example/1\r\nhttp://a.example/2";
  http_request(server.url("/urls?site=a&token=t"),
               {.method = HttpMethod::kPost, .body_text = links});
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0],
            on_the_wire(server, {.request_line = "POST /urls?site=a&token=t HTTP/1.1",
                                 .assembled_lines =
                                     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT "
                                     "6.1; WOW64; Trident/5.0)\r\n"
                                     "Accept: text/html, application/xhtml+xml, */*\r\n"
                                     "Accept-Encoding: gbk, GB2312\r\n"
                                     "Accept-Language: zh-cn\r\n"
                                     "Content-Type: application/x-www-form-urlencoded\r\n"
                                     "Cache-Control: no-cache\r\n",
                                 .content_length = links.size(),
                                 .body = links}));
}

TEST(HttpWireTest, MethodNumbersChooseTheVerb) {
  const std::pair<int, std::string> cases[] = {
      {0, "GET"},    {1, "POST"},  {2, "HEAD"}, {3, "PUT"},  {4, "OPTIONS"},
      {5, "DELETE"}, {6, "TRACE"}, {9, "GET"},  {-1, "GET"},
  };
  for (const auto& [method, verb] : cases) {
    ScriptedServer server({respond("HTTP/1.1 200 OK", {}, "")});
    http_request(server.url("/x"), {.method = static_cast<HttpMethod>(method)});
    ASSERT_EQ(server.requests().size(), 1u) << method;
    EXPECT_TRUE(server.requests()[0].starts_with(verb + " /x HTTP/1.1\r\n"))
        << server.requests()[0];
    // Without a body, a POST or a PUT still says its length; servers may require it.
    EXPECT_EQ(server.requests()[0].find("\r\nContent-Length: 0\r\n") != std::string::npos,
              verb == "POST" || verb == "PUT")
        << server.requests()[0];
  }
}

TEST(HttpWireTest, RequestTargetFollowsThePath) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "/"},
      {"?q=1", "/"},  // no path: the query is not sent
      {"/a/b?q=1&r=2", "/a/b?q=1&r=2"},
      {"/\xD6\xD0?\xCE\xC4=1", "/%E4%B8%AD?%E6%96%87=1"},  // code page 936 in, UTF-8 out
      // The Windows service is handed the fragment with the query and sends it, escaped.
      {"/a#top", test::kUnderWine ? "/a%23top" : "/a"},
  };
  for (const auto& [suffix, target] : cases) {
    ScriptedServer server({respond("HTTP/1.1 200 OK", {}, "")});
    http_request("http://127.0.0.1:" + std::to_string(server.port()) + suffix);
    ASSERT_EQ(server.requests().size(), 1u) << suffix;
    EXPECT_TRUE(server.requests()[0].starts_with("GET " + target + " HTTP/1.1\r\n"))
        << server.requests()[0];
  }
}

TEST(HttpWireTest, GetWithABodySendsIt) {
  ScriptedServer server({respond("HTTP/1.1 200 OK", {}, "")});
  http_request(server.url(),
               {.method = HttpMethod::kGet, .body_text = "abc", .add_default_headers = false});
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(
      server.requests()[0],
      on_the_wire(server, {.request_line = "GET / HTTP/1.1", .content_length = 3, .body = "abc"}));
}

TEST(HttpWireTest, BodyBytesWinOverBodyTextAndKeepZeroBytes) {
  ScriptedServer server({respond("HTTP/1.1 200 OK", {}, "")});
  const ByteArray bytes{'a', 0, 'b'};
  http_request(server.url(), {.method = HttpMethod::kPut,
                              .body_text = "ignored",
                              .add_default_headers = false,
                              .body_bytes = bytes});
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0], on_the_wire(server, {.request_line = "PUT / HTTP/1.1",
                                                       .content_length = 3,
                                                       .body = std::string("a\0b", 3)}));
}

TEST(HttpWireTest, CallerLinesCookiesAndCredentialsGoOutAsAssembled) {
  ScriptedServer server({respond("HTTP/1.1 200 OK", {}, "")});
  Text cookies = "a=1; b=2";
  http_request(server.url(), {.cookies = &cookies,
                              .extra_headers = "x-token: 7\r\nConnection: keep-alive\r\n",
                              .user_name = "user",
                              .password = "secret",
                              .add_default_headers = false});
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0],
            on_the_wire(server, {.request_line = "GET / HTTP/1.1",
                                 .assembled_lines = "X-Token: 7\r\n"
                                                    "Connection: keep-alive\r\n"
                                                    "Cookie: a=1; b=2\r\n",
                                 .authorization = "Basic dXNlcjpzZWNyZXQ="}));
}

TEST(HttpWireTest, CredentialsNeedBothNameAndPassword) {
  ScriptedServer server({respond("HTTP/1.1 200 OK", {}, "")});
  http_request(server.url(), {.user_name = "user", .add_default_headers = false});
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0], on_the_wire(server, {.request_line = "GET / HTTP/1.1"}));
}

TEST(HttpWireTest, LargeBodyGoesOutWithoutWaitingForContinue) {
  ScriptedServer server({respond("HTTP/1.1 200 OK", {}, "")});
  const Text body(100000, 'x');
  http_request(server.url(),
               {.method = HttpMethod::kPost, .body_text = body, .add_default_headers = false});
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0], on_the_wire(server, {.request_line = "POST / HTTP/1.1",
                                                       .content_length = body.size(),
                                                       .body = body}));
}

}  // namespace
}  // namespace lc
