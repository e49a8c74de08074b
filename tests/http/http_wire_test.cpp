// What goes on the wire, checked byte for byte against a scripted loopback server.
#include <gtest/gtest.h>

#include "http/http_request.h"
#include "tests/support/scripted_server.h"

namespace lc {
namespace {

using test::respond;
using test::ScriptedServer;

std::string host_line(const ScriptedServer& server) {
  return "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n";
}

TEST(HttpWireTest, SubmitPostCarriesTheDefaultLinesInOrder) {
  ScriptedServer server({respond("HTTP/1.1 200 OK", {}, "{}")});
  const Text links = "http://a.example/1\r\nhttp://a.example/2";
  http_request(server.url("/urls?site=a&token=t"), {.method = 1, .body_text = links});
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0],
            "POST /urls?site=a&token=t HTTP/1.1\r\n" + host_line(server) +
                "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; "
                "Trident/5.0)\r\n"
                "Accept: text/html, application/xhtml+xml, */*\r\n"
                "Accept-Encoding: gbk, GB2312\r\n"
                "Accept-Language: zh-cn\r\n"
                "Content-Type: application/x-www-form-urlencoded\r\n"
                "Cache-Control: no-cache\r\n"
                "Content-Length: " +
                std::to_string(links.size()) + "\r\n\r\n" + links);
}

}  // namespace
}  // namespace lc
