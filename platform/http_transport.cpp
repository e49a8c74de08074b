#include "platform/http_transport.h"

#include <atomic>

#include "platform/system_transport.h"

namespace lc::platform {
namespace {

std::function<std::unique_ptr<HttpTransport>()>& transport_factory() {
  static std::function<std::unique_ptr<HttpTransport>()> factory;
  return factory;
}

std::string& trusted_certificates_path() {
  static std::string path;
  return path;
}

std::atomic<bool> keeping_connections{false};

}  // namespace

void keep_connections_between_exchanges() {
  keeping_connections = true;
}

bool connections_kept() {
  return keeping_connections;
}

std::unique_ptr<HttpTransport> make_http_transport() {
  if (transport_factory()) return transport_factory()();
  return make_system_transport();
}

const std::string& trusted_certificates_file() {
  return trusted_certificates_path();
}

void testing::set_http_transport_factory(std::function<std::unique_ptr<HttpTransport>()> factory) {
  transport_factory() = std::move(factory);
}

void testing::set_trusted_certificates_file(std::string path) {
  trusted_certificates_path() = std::move(path);
}

}  // namespace lc::platform
