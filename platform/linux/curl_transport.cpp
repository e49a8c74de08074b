#include "platform/linux/curl_transport.h"

#include "common/ascii_text.h"
#include "platform/linux/curl_library.h"
#include "platform/linux/proxy_list.h"
#include "platform/linux/url_split.h"
#include "platform/system_transport.h"
#include "platform/text_encodings.h"
#include "platform/url_text.h"

namespace lc::platform {
namespace {

// Credentials travel as the tool's own text (code page 936), as the Windows service sends them.
std::string credential_bytes(std::u16string_view units) {
  return utf16_to_cp936(units);
}

}  // namespace

std::unique_ptr<HttpTransport> make_system_transport() {
  return std::make_unique<CurlTransport>();
}

CurlTransport::~CurlTransport() {
  close_request();
  close_connection();
  close_session();
}

// The platform supports the transport when libcurl can be loaded.
bool CurlTransport::check_platform() {
  return load_curl() != nullptr;
}

std::optional<CrackedUrl> CurlTransport::crack_url(std::u16string_view url) {
  return split_url(url);
}

bool CurlTransport::open_session(std::u16string_view proxy_list) {
  multi_.reset(curl().multi_init());
  proxy_list_ = utf16_to_utf8(proxy_list);
  return multi_ != nullptr;
}

bool CurlTransport::set_timeouts(int resolve_ms, int connect_ms, int send_ms, int receive_ms) {
  if (!multi_ || resolve_ms < 0 || connect_ms < 0 || send_ms < 0 || receive_ms < 0) return false;
  // libcurl bounds name resolution and connecting together.
  connect_timeout_ = std::chrono::milliseconds(std::max(resolve_ms, connect_ms));
  silence_limit_ = std::chrono::milliseconds(std::max(send_ms, receive_ms));
  return true;
}

bool CurlTransport::connect(std::u16string_view host, std::uint16_t port) {
  if (!multi_ || host.empty()) return false;
  host_ = utf16_to_utf8(host);
  port_ = port;
  return true;
}

bool CurlTransport::open_request(std::u16string_view verb, std::u16string_view object_name,
                                 bool secure) {
  if (host_.empty() || verb.empty()) return false;
  easy_.reset(curl().easy_init());
  if (!easy_) return false;
  verb_ = utf16_to_bytes(verb);
  secure_ = secure;
  url_ = std::string(secure ? "https://" : "http://") + host_ + ":" + std::to_string(port_) +
         wire_url(object_name);
  return curl().easy_setopt(easy_.get(), CURLOPT_URL, url_.c_str()) == CURLE_OK;
}

bool CurlTransport::set_credentials(CredentialTarget target, std::u16string_view user_name,
                                    std::u16string_view password) {
  if (!easy_) return false;
  auto credentials = std::make_pair(credential_bytes(user_name), credential_bytes(password));
  (target == CredentialTarget::kServer ? server_credentials_ : proxy_credentials_) =
      std::move(credentials);
  return true;
}

// libcurl verifies the peer and its host name unless told otherwise, and is never told.
bool CurlTransport::keep_certificate_checks() {
  return easy_ != nullptr;
}

bool CurlTransport::use_cookie_store(bool on) {
  if (!easy_) return false;
  cookie_store_ = on;
  return true;
}

bool CurlTransport::disable_redirects() {
  if (!easy_) return false;
  follow_redirects_ = false;
  return true;
}

bool CurlTransport::add_request_headers(std::u16string_view header_block) {
  if (!easy_) return false;
  const std::string block = utf16_to_cp936(header_block);
  for (const std::string_view line : crlf_lines(block)) {
    if (line.empty()) continue;
    // A line that is no "Name: value" is refused, as the Windows service refuses it.
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    header_lines_.emplace_back(line);
  }
  return true;
}

bool CurlTransport::configure_transfer() {
  CURL* easy = easy_.get();
  const auto checked = [](CURLcode code) { return code == CURLE_OK; };
  bool ok =
      checked(curl().easy_setopt(easy, CURLOPT_NOSIGNAL, 1L)) &&
      checked(curl().easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https")) &&
      checked(curl().easy_setopt(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1)) &&
      // Larger reads than libcurl's 16 KiB mean fewer rounds for a large body.
      checked(curl().easy_setopt(easy, CURLOPT_BUFFERSIZE, 128L * 1024)) &&
      checked(curl().easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L)) &&
      checked(curl().easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                                 static_cast<long>(connect_timeout_.count()))) &&
      checked(curl().easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlTransport::on_header)) &&
      checked(curl().easy_setopt(easy, CURLOPT_HEADERDATA, this)) &&
      checked(curl().easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlTransport::on_body)) &&
      checked(curl().easy_setopt(easy, CURLOPT_WRITEDATA, this)) &&
      // These two tell when the request itself goes out, and how much of its body has.
      checked(curl().easy_setopt(easy, CURLOPT_PREREQFUNCTION, &CurlTransport::on_request_start)) &&
      checked(curl().easy_setopt(easy, CURLOPT_PREREQDATA, this)) &&
      checked(curl().easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CurlTransport::on_progress)) &&
      checked(curl().easy_setopt(easy, CURLOPT_XFERINFODATA, this)) &&
      checked(curl().easy_setopt(easy, CURLOPT_NOPROGRESS, 0L));
  if (!trusted_certificates_file().empty()) {
    ok = ok &&
         checked(curl().easy_setopt(easy, CURLOPT_CAINFO, trusted_certificates_file().c_str()));
  }
  if (server_credentials_) {
    ok = ok && checked(curl().easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_BASIC)) &&
         checked(curl().easy_setopt(easy, CURLOPT_USERNAME, server_credentials_->first.c_str())) &&
         checked(curl().easy_setopt(easy, CURLOPT_PASSWORD, server_credentials_->second.c_str()));
  } else {
    // Cleared explicitly: after a redirect to another host they were set for the first one.
    ok = ok && checked(curl().easy_setopt(easy, CURLOPT_USERNAME, nullptr)) &&
         checked(curl().easy_setopt(easy, CURLOPT_PASSWORD, nullptr));
  }
  if (proxy_credentials_) {
    ok = ok && checked(curl().easy_setopt(easy, CURLOPT_PROXYAUTH, CURLAUTH_BASIC)) &&
         checked(
             curl().easy_setopt(easy, CURLOPT_PROXYUSERNAME, proxy_credentials_->first.c_str())) &&
         checked(
             curl().easy_setopt(easy, CURLOPT_PROXYPASSWORD, proxy_credentials_->second.c_str()));
  }
  return ok && apply_proxy() && apply_method();
}

bool CurlTransport::apply_proxy() {
  const std::optional<std::string> proxy =
      proxy_list_.empty() ? std::nullopt
                          : proxy_for_scheme(proxy_list_, secure_ ? "https" : "http");
  // An empty proxy also keeps libcurl from taking one from the environment.
  const std::string address = proxy ? "http://" + *proxy : std::string();
  return curl().easy_setopt(easy_.get(), CURLOPT_PROXY, address.c_str()) == CURLE_OK &&
         curl().easy_setopt(easy_.get(), CURLOPT_NOPROXY, "") == CURLE_OK;
}

}  // namespace lc::platform
