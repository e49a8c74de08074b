#include "tests/support/test_certificates.h"

#include <fstream>

#include "tests/support/under_wine.h"

namespace lc::test {
namespace {

const std::vector<std::string> kNewKey = {"-newkey", "ec", "-pkeyopt",
                                          "ec_paramgen_curve:prime256v1", "-nodes"};

std::vector<std::string> joined(std::vector<std::string> head,
                                const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

}  // namespace

TestCertificates::TestCertificates() {
  const std::string dir = folder_.path();
  ok_ =
      run_command(joined(joined({"openssl", "req", "-x509"}, kNewKey),
                         {"-keyout", "ca.key", "-out", "ca.pem", "-days", "2", "-subj",
                          "/CN=Linkcourier Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
                          "-addext", "keyUsage=critical,keyCertSign,cRLSign"}),
                  dir);
  ok_ = ok_ && issue("trusted", "IP:127.0.0.1,DNS:localhost", true) &&
        issue("other_host", "DNS:other.example", true) &&
        issue("self_signed", "IP:127.0.0.1,DNS:localhost", false);
}

bool TestCertificates::issue(const std::string& name, const std::string& alt_names,
                             bool from_authority) {
  const std::string dir = folder_.path();
  std::ofstream(folder_.file(name + ".ext"), std::ios::binary)
      << "subjectAltName=" << alt_names
      << "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n";
  if (!from_authority) {
    return run_command(joined(joined({"openssl", "req", "-x509"}, kNewKey),
                              {"-keyout", name + ".key", "-out", name + ".pem", "-days", "2",
                               "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=" + alt_names}),
                       dir);
  }
  return run_command(
             joined(joined({"openssl", "req"}, kNewKey),
                    {"-keyout", name + ".key", "-out", name + ".csr", "-subj", "/CN=" + name}),
             dir) &&
         run_command(
             {"openssl", "x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key",
              "-CAcreateserial", "-out", name + ".pem", "-days", "2", "-extfile", name + ".ext"},
             dir);
}

std::string TestCertificates::url(std::uint16_t port, const std::string& path) {
  const std::string host = kUnderWine ? "localhost" : "127.0.0.1";
  return "https://" + host + ":" + std::to_string(port) + path;
}

std::unique_ptr<ChildProcess> TestCertificates::start_page_server(std::uint16_t port,
                                                                  const std::string& certificate,
                                                                  const std::string& body) const {
  std::ofstream(folder_.file("page.txt"), std::ios::binary)
      << "HTTP/1.0 200 ok\r\nContent-Type: text/plain\r\nContent-Length: " << body.size()
      << "\r\n\r\n"
      << body;
  return std::make_unique<ChildProcess>(
      std::vector<std::string>{"openssl", "s_server", "-accept", std::to_string(port), "-cert",
                               this->certificate(certificate), "-key", key(certificate), "-HTTP",
                               "-quiet"},
      directory());
}

}  // namespace lc::test
