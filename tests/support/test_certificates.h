#pragma once
// A certificate authority made at test time, with server certificates for loopback servers.

#include <cstdint>
#include <memory>
#include <string>

#include "tests/support/child_process.h"

namespace lc::test {

class TestCertificates {
 public:
  TestCertificates();  // runs openssl; ok() tells whether it worked

  bool ok() const { return ok_; }
  const std::string& directory() const { return folder_.path(); }
  std::string authority() const { return folder_.file("ca.pem"); }
  // Each "<name>.pem" with its "<name>.key": "trusted" (for 127.0.0.1 and localhost, from the
  // authority), "other_host" (from the authority, for another name only), "self_signed".
  std::string certificate(const std::string& name) const { return folder_.file(name + ".pem"); }
  std::string key(const std::string& name) const { return folder_.file(name + ".key"); }
  // An https address of a loopback server whose certificate is "trusted". Wine matches only
  // names against a certificate, not addresses, so there the name stands in for 127.0.0.1.
  static std::string url(std::uint16_t port, const std::string& path);
  // A TLS server (openssl s_server) on `port` presenting the named certificate, answering
  // "/page.txt" with "200 ok" and `body`; the length is announced, so no client waits for the end.
  std::unique_ptr<ChildProcess> start_page_server(std::uint16_t port,
                                                  const std::string& certificate,
                                                  const std::string& body) const;

 private:
  bool issue(const std::string& name, const std::string& alt_names, bool from_authority);

  TemporaryDirectory folder_;
  bool ok_ = false;
};

}  // namespace lc::test
