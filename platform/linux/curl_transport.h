#pragma once
// The transport over libcurl. Requests are driven through the multi interface so that the body
// streams: each chunk waits, with the transfer paused, until the client has read it.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/http_transport.h"
#include "platform/linux/curl_handles.h"

namespace lc::platform {

class CurlTransport final : public HttpTransport {
 public:
  CurlTransport() = default;
  ~CurlTransport() override;

  bool check_platform() override;
  std::optional<CrackedUrl> crack_url(std::u16string_view url) override;
  bool open_session(std::u16string_view proxy_list) override;
  bool set_timeouts(int resolve_ms, int connect_ms, int send_ms, int receive_ms) override;
  bool connect(std::u16string_view host, std::uint16_t port) override;
  bool open_request(std::u16string_view verb, std::u16string_view object_name,
                    bool secure) override;
  bool set_credentials(CredentialTarget target, std::u16string_view user_name,
                       std::u16string_view password) override;
  bool keep_certificate_checks() override;
  bool use_cookie_store(bool on) override;
  bool disable_redirects() override;
  bool add_request_headers(std::u16string_view header_block) override;
  bool send_request(std::span<const std::uint8_t> body) override;
  bool receive_response() override;
  std::optional<std::size_t> announced_body_size() override;
  bool query_data_available(std::size_t& count) override;
  bool read_data(std::uint8_t* buffer, std::size_t count, std::size_t& read) override;
  std::optional<std::u16string> query_raw_headers() override;
  void close_request() override;
  void close_connection() override;
  void close_session() override;

 private:
  using Clock = std::chrono::steady_clock;

  // Set-up of the easy handle for the current URL and method.
  bool configure_transfer();
  bool apply_method();
  bool apply_proxy();
  // Runs the transfer until `ready` holds or it ends.
  template <typename Ready>
  void drive(Ready ready);
  bool start_transfer();
  void stop_transfer();
  bool request_sent() const;
  // Follows the redirect that `response` names, if it may be followed; false when it is final.
  bool follow_redirect(const std::string& response);
  void resume_after_chunk();

  static std::size_t on_header(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t on_body(char* data, std::size_t size, std::size_t count, void* self);
  static int on_request_start(void* self, char*, char*, int, int);
  static int on_progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded);
  void on_response_headers_complete();

  // Session.
  CurlMulti multi_;
  std::string proxy_list_;
  std::chrono::milliseconds connect_timeout_{30000};
  std::chrono::milliseconds silence_limit_{30000};
  // Connection.
  std::string host_;
  std::uint16_t port_ = 0;
  // Request.
  CurlEasy easy_;
  std::string verb_;
  std::string url_;
  bool secure_ = false;
  std::optional<std::pair<std::string, std::string>> server_credentials_;
  std::optional<std::pair<std::string, std::string>> proxy_credentials_;
  bool follow_redirects_ = true;
  // Within one exchange, cookies that responses set go with the following requests, as the
  // Windows service keeps them, unless switched off.
  bool cookie_store_ = true;
  bool cookies_stored_ = false;  // a response of the exchange set a cookie
  std::vector<std::string> header_lines_;
  CurlList header_list_;
  std::span<const std::uint8_t> body_;
  // The exchange.
  bool in_multi_ = false;
  bool done_ = false;
  CURLcode result_ = CURLE_OK;
  Clock::time_point last_activity_;
  bool request_started_ = false;  // connected, and the request on its way
  std::size_t body_bytes_out_ = 0;
  std::string response_in_progress_;
  std::optional<std::string> response_;        // a complete response to our request
  std::optional<std::string> proxy_response_;  // a complete answer of the proxy to CONNECT
  std::optional<std::string> final_headers_;
  bool discarding_body_ = false;
  std::size_t discarded_bytes_ = 0;
  int redirects_followed_ = 0;
  std::string chunk_;
  std::size_t chunk_read_ = 0;
  bool paused_ = false;
};

}  // namespace lc::platform
