#include "platform/linux/curl_transport.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "common/ascii_text.h"
#include "platform/linux/curl_kept_connections.h"
#include "platform/linux/curl_library.h"
#include "platform/linux/response_head.h"
#include "platform/linux/url_split.h"
#include "platform/system_transport.h"
#include "platform/text_encodings.h"
#include "platform/url_text.h"

namespace lc::platform {
namespace {

constexpr int kMaxRedirects = 10;
// A redirect's body is read past only this far, as the Windows service drains it; a longer one
// is cut off with its connection.
constexpr std::size_t kRedirectDrainBytes = 1 << 20;

bool is_redirect(int code) {
  return code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
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
  multi_ = kept_session();
  if (multi_ == nullptr) {
    own_session_.reset(curl().multi_init());
    multi_ = own_session_.get();
  }
  plan_.proxy_list = utf16_to_utf8(proxy_list);
  return multi_ != nullptr;
}

bool CurlTransport::set_timeouts(int resolve_ms, int connect_ms, int send_ms, int receive_ms) {
  if (!multi_ || resolve_ms < 0 || connect_ms < 0 || send_ms < 0 || receive_ms < 0) return false;
  // libcurl bounds name resolution and connecting together.
  plan_.connect_timeout = std::chrono::milliseconds(std::max(resolve_ms, connect_ms));
  plan_.silence_limit = std::chrono::milliseconds(std::max(send_ms, receive_ms));
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
  plan_.verb = utf16_to_bytes(verb);
  plan_.secure = secure;
  plan_.url = std::string(secure ? "https://" : "http://") + host_ + ":" + std::to_string(port_) +
              wire_url(object_name);
  return set_easy_option(easy_.get(), CURLOPT_URL, plan_.url.c_str());
}

// Credentials travel as the tool's own text (code page 936), as the Windows service sends them.
bool CurlTransport::set_credentials(CredentialTarget target, std::u16string_view user_name,
                                    std::u16string_view password) {
  if (!easy_) return false;
  Credentials credentials{utf16_to_cp936(user_name), utf16_to_cp936(password)};
  (target == CredentialTarget::kServer ? plan_.server_credentials : plan_.proxy_credentials) =
      std::move(credentials);
  return true;
}

// libcurl verifies the peer and its host name unless told otherwise, and is never told.
bool CurlTransport::keep_certificate_checks() {
  return easy_ != nullptr;
}

bool CurlTransport::use_cookie_store(bool on) {
  if (!easy_) return false;
  plan_.cookie_store = on;
  return true;
}

bool CurlTransport::disable_redirects() {
  if (!easy_) return false;
  plan_.follow_redirects = false;
  return true;
}

bool CurlTransport::add_request_headers(std::u16string_view header_block) {
  if (!easy_) return false;
  const std::string block = utf16_to_cp936(header_block);
  for (const std::string_view line : crlf_lines(block)) {
    if (line.empty()) continue;
    // A line that is no "Name: value" is refused, as the Windows service refuses it.
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    plan_.header_lines.emplace_back(line);
  }
  return true;
}

bool CurlTransport::start_transfer(RequestPlan plan) {
  transfer_.reset();
  transfer_.emplace(multi_, easy_.get(), std::move(plan));
  return transfer_->start(cookies_stored_);
}

bool CurlTransport::send_request(std::span<const std::uint8_t> body) {
  if (!easy_ || !multi_) return false;
  plan_.body = body;
  // From here on the plan is the transfer's.
  if (!start_transfer(std::move(plan_))) return false;
  if (transfer_->wait_until_sent()) return true;
  // A proxy that refuses the tunnel has answered: that answer is the response.
  const std::optional<std::string>& refusal = transfer_->proxy_response();
  return refusal && status_code(*refusal) >= 300;
}

bool CurlTransport::receive_response() {
  if (!transfer_) return false;
  for (;;) {
    const std::optional<std::string>& response = transfer_->wait_for_response();
    if (!response) {
      const std::optional<std::string>& refusal = transfer_->proxy_response();
      if (!refusal || status_code(*refusal) < 300) return false;
      final_headers_ = refusal;
      return true;
    }
    if (!follow_redirect(*response)) {
      final_headers_ = response;
      return true;
    }
  }
}

// Redirects are followed here rather than by libcurl, so that each one is checked by the plan
// it makes.
bool CurlTransport::follow_redirect(const std::string& response) {
  const RequestPlan& current = transfer_->plan();
  const int code = status_code(response);
  if (!current.follow_redirects || redirects_followed_ >= kMaxRedirects || !is_redirect(code))
    return false;
  const std::string location = header_value(response, "Location");
  if (location.empty()) return false;
  std::optional<RequestPlan> next = current.redirected(code, location);
  if (!next) return false;
  if (current.cookie_store && !header_value(response, "Set-Cookie").empty()) cookies_stored_ = true;
  // Let the redirect's own body pass unseen, so the connection can serve the next request.
  transfer_->pass_over_body(kRedirectDrainBytes);
  ++redirects_followed_;
  return start_transfer(std::move(*next));
}

std::optional<std::size_t> CurlTransport::announced_body_size() {
  if (!final_headers_ || !transfer_ || transfer_->plan().verb == "HEAD") return std::nullopt;
  if (!header_value(*final_headers_, "Transfer-Encoding").empty()) return std::nullopt;
  const std::string length = header_value(*final_headers_, "Content-Length");
  std::size_t size = 0;
  const auto [end, error] = std::from_chars(length.data(), length.data() + length.size(), size);
  if (length.empty() || error != std::errc() || end != length.data() + length.size()) {
    return std::nullopt;
  }
  return size;
}

bool CurlTransport::query_data_available(std::size_t& count) {
  if (!final_headers_) return false;
  count = transfer_->wait_for_body().size();
  if (count > 0) return true;
  // The transfer is over. A proxy's refusal has no body to read; any other transfer that broke
  // after its headers is a failure, never a quiet end of the body.
  const bool answered_by_proxy = !transfer_->response();
  return transfer_->ended_well() || answered_by_proxy;
}

bool CurlTransport::read_data(std::uint8_t* buffer, std::size_t count, std::size_t& read) {
  read = 0;
  if (!final_headers_) return false;
  const std::string_view waiting = transfer_->wait_for_body();
  if (waiting.empty()) {
    std::size_t available = 0;
    return query_data_available(available);
  }
  read = std::min(count, waiting.size());
  std::memcpy(buffer, waiting.data(), read);
  transfer_->consume(read);
  return true;
}

std::optional<std::u16string> CurlTransport::query_raw_headers() {
  if (!final_headers_) return std::nullopt;
  return cp936_to_utf16(*final_headers_);
}

TransportFailure CurlTransport::last_failure() const {
  const std::optional<CURLcode> result = transfer_ ? transfer_->result() : std::nullopt;
  if (!result || *result == CURLE_OK) return TransportFailure::kNone;
  switch (*result) {
    case CURLE_COULDNT_CONNECT:
      // Also a host that cannot be reached; only the system's number tells the two apart.
      return transfer_->system_error() == ECONNREFUSED ? TransportFailure::kRefused
                                                       : TransportFailure::kOther;
    case CURLE_OPERATION_TIMEDOUT:
      return TransportFailure::kTimedOut;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return TransportFailure::kNameNotResolved;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
      return TransportFailure::kSecureConnection;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
      return TransportFailure::kCutOff;
    default:
      return TransportFailure::kOther;
  }
}

void CurlTransport::close_request() {
  transfer_.reset();
  easy_.reset();
}

void CurlTransport::close_connection() {
  host_.clear();
  port_ = 0;
}

void CurlTransport::close_session() {
  transfer_.reset();
  multi_ = nullptr;
  own_session_.reset();
}

}  // namespace lc::platform
