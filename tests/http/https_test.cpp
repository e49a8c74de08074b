// HTTPS against a real TLS server with a certificate authority made for the test.
#include <gtest/gtest.h>

#include "http/http_messages.h"
#include "http/http_request.h"
#include "platform/http_transport.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_certificates.h"

namespace lc {
namespace {

class HttpsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { certificates_ = new test::TestCertificates(); }
  static void TearDownTestSuite() { delete certificates_; }

  void SetUp() override {
    ASSERT_TRUE(certificates_->ok()) << "openssl could not make the test certificates";
    platform::testing::set_trusted_certificates_file(certificates_->authority());
  }
  void TearDown() override { platform::testing::set_trusted_certificates_file(""); }

  // A TLS server presenting the named certificate; returns its port.
  std::uint16_t start_server(const std::string& certificate) {
    const std::uint16_t port = test::unused_port();
    server_ = certificates_->start_page_server(port, certificate, "secret page");
    EXPECT_TRUE(server_->wait_for_port(port));
    return port;
  }

  static test::TestCertificates* certificates_;
  std::unique_ptr<test::ChildProcess> server_;
};

test::TestCertificates* HttpsTest::certificates_ = nullptr;

TEST_F(HttpsTest, TrustedChainIsAccepted) {
  const std::uint16_t port = start_server("trusted");
  Text status;
  const Text body =
      http_request(test::TestCertificates::url(port, "/page.txt"), {.status = &status});
  EXPECT_EQ(status, "200 ok");
  EXPECT_EQ(body, "secret page");
}

TEST_F(HttpsTest, UntrustedCertificateAndWrongHostAreRefused) {
  for (const char* certificate : {"self_signed", "other_host"}) {
    const std::uint16_t port = start_server(certificate);
    Text status;
    platform::TransportFailure cause{};
    const Text body = http_request(test::TestCertificates::url(port, "/page.txt"),
                                   {.status = &status, .failure = &cause});
    EXPECT_EQ(status, http_messages::kSendFailed) << certificate;
    EXPECT_EQ(cause, platform::TransportFailure::kSecureConnection) << certificate;
    EXPECT_EQ(body, "") << certificate;
  }
}

}  // namespace
}  // namespace lc
