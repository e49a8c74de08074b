#pragma once
// The transport of the HTTP client: the operations of the Windows HTTP service that the client
// uses, in the order it calls them, each failing where that service would fail. Strings cross
// in UTF-16. One instance serves one exchange: a session, a connection and a request.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lc::platform {

struct CrackedUrl {
  bool secure = false;  // https
  std::u16string host;
  std::uint16_t port = 0;     // the URL's own, or the scheme's default
  std::u16string path;        // empty when the URL has none
  std::u16string extra_info;  // the query with its '?', and any fragment
};

enum class CredentialTarget { kServer = 0, kProxy = 1 };

// Why an exchange that never had its answer failed, as far as the system says: callers name the
// cause beside the client's own failure text.
enum class TransportFailure {
  kNone,              // nothing failed, or the system gave no cause
  kRefused,           // the server refused the connection
  kTimedOut,          // the server stayed silent past the timeout
  kNameNotResolved,   // the host's name has no address
  kSecureConnection,  // no secure connection: the server's certificate failed, or the handshake
  kCutOff,            // the connection ended before the answer was whole
  kOther,             // the system gave another cause
};

class HttpTransport {
 public:
  virtual ~HttpTransport() = default;

  virtual bool check_platform() = 0;
  // Only http and https URLs with a host split.
  virtual std::optional<CrackedUrl> crack_url(std::u16string_view url) = 0;
  // `proxy_list` in the Windows proxy-list syntax; empty: no proxy.
  virtual bool open_session(std::u16string_view proxy_list) = 0;
  virtual bool set_timeouts(int resolve_ms, int connect_ms, int send_ms, int receive_ms) = 0;
  virtual bool connect(std::u16string_view host, std::uint16_t port) = 0;
  virtual bool open_request(std::u16string_view verb, std::u16string_view object_name,
                            bool secure) = 0;
  // Basic credentials, sent with the first request.
  virtual bool set_credentials(CredentialTarget target, std::u16string_view user_name,
                               std::u16string_view password) = 0;
  // The request's certificate step. The server's certificate is always verified, on both
  // systems: the push interface's address carries the site's secret token, and an unverified
  // peer could read it. Fails only where the request cannot take options (none is open).
  virtual bool keep_certificate_checks() = 0;
  // The transport's own cookie store for this exchange (on unless turned off): off, cookies that
  // responses set are neither kept nor sent back. Turning it on also has WinHttp check whether
  // the server's certificate was revoked (its feature number 1 means that to it); libcurl keeps
  // its own revocation setting.
  virtual bool use_cookie_store(bool on) = 0;
  // Redirects are answered, not followed: the exchange ends with the 3xx response.
  virtual bool disable_redirects() = 0;
  // Header lines separated by CR LF.
  virtual bool add_request_headers(std::u16string_view header_block) = 0;
  // The body bytes must stay valid until the exchange is over.
  virtual bool send_request(std::span<const std::uint8_t> body) = 0;
  virtual bool receive_response() = 0;
  // The body's size as the final response announces it, where it does; only a hint for sizing.
  virtual std::optional<std::size_t> announced_body_size() = 0;
  // How many body bytes can be read now; 0 at the end of the body.
  virtual bool query_data_available(std::size_t& count) = 0;
  virtual bool read_data(std::uint8_t* buffer, std::size_t count, std::size_t& read) = 0;
  // The final response's status line and header lines, then an empty line; CR LF line ends.
  virtual std::optional<std::u16string> query_raw_headers() = 0;
  // Why the last step that failed did, where the system said.
  virtual TransportFailure last_failure() const { return TransportFailure::kNone; }
  virtual void close_request() = 0;
  virtual void close_connection() = 0;
  virtual void close_session() = 0;
};

std::unique_ptr<HttpTransport> make_http_transport();

// From now on, connections outlive the exchange that opened them and serve later exchanges of
// this process to the same server, from any thread. For a program that sends many requests one
// after another; without it each exchange opens and closes its own, as the window's do.
void keep_connections_between_exchanges();

// Seams for tests only; nothing a user can reach sets them.
namespace testing {
// Replaces the transport every exchange gets (an empty function restores the real one).
void set_http_transport_factory(std::function<std::unique_ptr<HttpTransport>()> factory);
// Trusts the certificate authorities in this PEM file: with libcurl instead of the system's
// (empty: the system's again); on Windows they join the user's root store.
void set_trusted_certificates_file(std::string path);
}  // namespace testing

}  // namespace lc::platform
