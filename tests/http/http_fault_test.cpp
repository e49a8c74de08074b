// The numbered failures no socket can provoke, through a transport that refuses one step.
#include <gtest/gtest.h>

#include "http/http_messages.h"
#include "http/http_request.h"
#include "platform/event_pump.h"
#include "platform/system_transport.h"
#include "tests/support/scripted_server.h"

namespace lc {
namespace {

namespace messages = http_messages;
using platform::CredentialTarget;

enum class Step {
  kCheckPlatform,
  kOpenSession,
  kSetTimeouts,
  kConnect,
  kOpenRequest,
  kServerCredentials,
  kProxyCredentials,
  kSecurityFlags,
  kCookieOption,
  kRedirectOption,
  kAddHeaders,
};

// The real transport, but for one step that it refuses; it notes the handles it closes.
class RefusingTransport final : public platform::HttpTransport {
 public:
  RefusingTransport(Step refused, std::vector<std::string>& closed)
      : refused_(refused), closed_(closed) {}

  bool check_platform() override {
    return allowed(Step::kCheckPlatform) && real_->check_platform();
  }
  std::optional<platform::CrackedUrl> crack_url(std::u16string_view url) override {
    return real_->crack_url(url);
  }
  bool open_session(std::u16string_view proxy) override {
    return allowed(Step::kOpenSession) && real_->open_session(proxy);
  }
  bool set_timeouts(int a, int b, int c, int d) override {
    return allowed(Step::kSetTimeouts) && real_->set_timeouts(a, b, c, d);
  }
  bool connect(std::u16string_view host, std::uint16_t port) override {
    return allowed(Step::kConnect) && real_->connect(host, port);
  }
  bool open_request(std::u16string_view verb, std::u16string_view name, bool secure) override {
    return allowed(Step::kOpenRequest) && real_->open_request(verb, name, secure);
  }
  bool set_credentials(CredentialTarget target, std::u16string_view user,
                       std::u16string_view password) override {
    const Step step =
        target == CredentialTarget::kServer ? Step::kServerCredentials : Step::kProxyCredentials;
    return allowed(step) && real_->set_credentials(target, user, password);
  }
  bool keep_certificate_checks() override {
    return allowed(Step::kSecurityFlags) && real_->keep_certificate_checks();
  }
  bool use_cookie_store(bool on) override {
    return allowed(Step::kCookieOption) && real_->use_cookie_store(on);
  }
  bool disable_redirects() override {
    return allowed(Step::kRedirectOption) && real_->disable_redirects();
  }
  bool add_request_headers(std::u16string_view block) override {
    return allowed(Step::kAddHeaders) && real_->add_request_headers(block);
  }
  bool send_request(std::span<const std::uint8_t> body) override {
    return real_->send_request(body);
  }
  bool receive_response() override { return real_->receive_response(); }
  std::optional<std::size_t> announced_body_size() override { return real_->announced_body_size(); }
  bool query_data_available(std::size_t& count) override {
    return real_->query_data_available(count);
  }
  bool read_data(std::uint8_t* buffer, std::size_t count, std::size_t& read) override {
    return real_->read_data(buffer, count, read);
  }
  std::optional<std::u16string> query_raw_headers() override { return real_->query_raw_headers(); }
  void close_request() override { closed_.push_back("request"); }
  void close_connection() override { closed_.push_back("connection"); }
  void close_session() override { closed_.push_back("session"); }

 private:
  bool allowed(Step step) const { return step != refused_; }
  std::unique_ptr<platform::HttpTransport> real_ = platform::make_system_transport();
  Step refused_;
  std::vector<std::string>& closed_;
};

struct FaultCase {
  const char* name;
  Step refused;
  TextView message;
  bool messages_run;  // whether pending messages ran on the way out
};

class HttpFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(HttpFaultTest, StoresItsMessageAndLeavesTheWayTheFailureCallsFor) {
  const FaultCase& c = GetParam();
  std::vector<std::string> closed;
  platform::testing::set_http_transport_factory(
      [&] { return std::make_unique<RefusingTransport>(c.refused, closed); });
  int pending_message_runs = 0;
  platform::set_pending_messages_handler([&] { ++pending_message_runs; });
  test::ScriptedServer server({test::respond("HTTP/1.1 200 OK", {}, "body")});
  Text status = "untouched";
  Text cookies = "a=1";
  Text new_cookies = "untouched";
  Text response_headers = "untouched";
  Text location = "untouched";
  ByteArray response_bytes{1, 2};
  const Text result = http_request(server.url(), {.cookies = &cookies,
                                                  .new_cookies = &new_cookies,
                                                  .response_headers = &response_headers,
                                                  .no_redirect = true,
                                                  .user_name = "u",
                                                  .password = "p",
                                                  .proxy_user_name = "pu",
                                                  .proxy_password = "pp",
                                                  .location = &location,
                                                  .status = &status,
                                                  .response_bytes = &response_bytes});
  platform::set_pending_messages_handler(nullptr);
  platform::testing::set_http_transport_factory(nullptr);

  EXPECT_EQ(result, "");
  EXPECT_EQ(status, c.message);
  EXPECT_EQ(pending_message_runs, c.messages_run ? 1 : 0);
  EXPECT_EQ(closed, (std::vector<std::string>{"request", "connection", "session"}));
  EXPECT_EQ(cookies, "a=1");
  EXPECT_EQ(new_cookies, "untouched");
  EXPECT_EQ(response_headers, "untouched");
  EXPECT_EQ(location, "untouched");
  EXPECT_EQ(response_bytes, ByteArray({1, 2}));
  EXPECT_TRUE(server.requests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, HttpFaultTest,
    testing::Values(FaultCase{"platform", Step::kCheckPlatform, messages::kNoTransport, false},
                    FaultCase{"session", Step::kOpenSession, messages::kNoSession, true},
                    FaultCase{"timeouts", Step::kSetTimeouts, messages::kTimeoutsRefused, true},
                    FaultCase{"connection", Step::kConnect, messages::kNoConnection, true},
                    FaultCase{"request", Step::kOpenRequest, messages::kNoRequest, true},
                    FaultCase{"server_credentials", Step::kServerCredentials,
                              messages::kCredentialsRefused, false},
                    FaultCase{"proxy_credentials", Step::kProxyCredentials,
                              messages::kCredentialsRefused, false},
                    FaultCase{"certificate_option", Step::kSecurityFlags,
                              messages::kCertificateOptionRefused, false},
                    FaultCase{"cookie_option", Step::kCookieOption, messages::kCookieOptionRefused,
                              false},
                    FaultCase{"redirect_option", Step::kRedirectOption,
                              messages::kRedirectOptionRefused, false},
                    FaultCase{"headers", Step::kAddHeaders, messages::kHeadersRefused, true}),
    [](const auto& info) { return info.param.name; });

TEST(HttpFaultTest, MalformedHeaderLinesAreRefused) {
  test::ScriptedServer server({test::respond("HTTP/1.1 200 OK", {}, "")});
  Text status;
  http_request(server.url(),
               {.extra_headers = "no colon here", .status = &status, .normalize_headers = false});
  EXPECT_EQ(status, messages::kHeadersRefused);
  EXPECT_TRUE(server.requests().empty());
}

}  // namespace
}  // namespace lc
