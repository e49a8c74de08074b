// Proxies against a real one: Debian's tinyproxy with Basic authentication.
#include <gtest/gtest.h>

#include <fstream>

#include "http/http_request.h"
#include "platform/http_transport.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_certificates.h"
#include "tests/support/under_wine.h"

namespace lc {
namespace {

class ProxyTest : public testing::Test {
 protected:
  void SetUp() override {
    proxy_port_ = test::unused_port();
    const std::string config = folder_.file("tinyproxy.conf");
    std::ofstream(config, std::ios::binary)
        << "Port " << proxy_port_
        << "\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\nAllow 127.0.0.1\n"
           "BasicAuth courier s3cret\nDisableViaHeader Yes\nLogLevel Critical\n";
    proxy_ = std::make_unique<test::ChildProcess>(
        std::vector<std::string>{"tinyproxy", "-d", "-c", config});
    ASSERT_TRUE(proxy_->wait_for_port(proxy_port_)) << "tinyproxy did not start";
  }

  std::string proxy() const { return "127.0.0.1:" + std::to_string(proxy_port_); }

  test::TemporaryDirectory folder_;
  std::uint16_t proxy_port_ = 0;
  std::unique_ptr<test::ChildProcess> proxy_;
};

// Wine's HTTP service falls short of Windows' with proxies: it takes the list "http=host:port"
// (the form a plain http address gets) for a host name, and sends no credentials with CONNECT.
using test::kUnderWine;

TEST_F(ProxyTest, PlainHttpGoesThroughTheProxyWithItsCredentials) {
  if (kUnderWine) GTEST_SKIP() << "Wine does not read the proxy list http=host:port";
  test::ScriptedServer server({test::respond("HTTP/1.1 200 OK", {}, "via proxy")});
  Text status;
  const Text body = http_request(server.url("/p"), {.proxy = proxy(),
                                                    .proxy_user_name = "courier",
                                                    .proxy_password = "s3cret",
                                                    .status = &status});
  EXPECT_EQ(status, "200 OK");
  EXPECT_EQ(body, "via proxy");
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_TRUE(server.requests()[0].starts_with("GET /p HTTP/1.")) << server.requests()[0];
  // The proxy's credentials are for the proxy alone.
  EXPECT_EQ(server.requests()[0].find("Proxy-Authorization"), std::string::npos);
}

TEST_F(ProxyTest, MissingCredentialsAreAnsweredByTheProxy) {
  if (kUnderWine) GTEST_SKIP() << "Wine does not read the proxy list http=host:port";
  test::ScriptedServer server({test::respond("HTTP/1.1 200 OK", {}, "never")});
  Text status;
  http_request(server.url(), {.proxy = proxy(), .status = &status});
  EXPECT_TRUE(status.starts_with("407")) << status;
  EXPECT_TRUE(server.requests().empty());
}

TEST_F(ProxyTest, HttpsGoesThroughATunnel) {
  if (kUnderWine) GTEST_SKIP() << "Wine sends no proxy credentials with CONNECT";
  test::TestCertificates certificates;
  ASSERT_TRUE(certificates.ok());
  const std::uint16_t port = test::unused_port();
  const auto server = certificates.start_page_server(port, "trusted", "tunnelled");
  ASSERT_TRUE(server->wait_for_port(port));
  platform::testing::set_trusted_certificates_file(certificates.authority());
  const std::string url = test::TestCertificates::url(port, "/page.txt");
  Text status;
  const Text body = http_request(url, {.proxy = proxy(),
                                       .proxy_user_name = "courier",
                                       .proxy_password = "s3cret",
                                       .status = &status});
  EXPECT_EQ(status, "200 ok");
  EXPECT_EQ(body, "tunnelled");
  Text refused_status;
  http_request(url, {.proxy = proxy(), .status = &refused_status});
  EXPECT_TRUE(refused_status.starts_with("407")) << refused_status;
  platform::testing::set_trusted_certificates_file("");
}

}  // namespace
}  // namespace lc
