#pragma once
// The transport over libcurl: the set-up steps settle a request plan; sending hands it to a
// transfer, and each redirect followed gets a plan and a transfer of its own.

#include <optional>
#include <string>

#include "platform/http_transport.h"
#include "platform/linux/curl_handles.h"
#include "platform/linux/curl_request_plan.h"
#include "platform/linux/curl_transfer.h"

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
  TransportFailure last_failure() const override;
  void close_request() override;
  void close_connection() override;
  void close_session() override;

 private:
  // Starts the transfer of `plan` in place of the one before.
  bool start_transfer(RequestPlan plan);
  // Follows the redirect that `response` names, where it is to be followed; false when the
  // response is the final one.
  bool follow_redirect(const std::string& response);

  CurlMulti own_session_;   // where connections are not kept
  CURLM* multi_ = nullptr;  // the session: its own or the thread's kept one
  std::string host_;        // the connection
  std::uint16_t port_ = 0;
  CurlEasy easy_;     // the request
  RequestPlan plan_;  // the request as the set-up steps settle it
  // The exchange, from sending on.
  std::optional<CurlTransfer> transfer_;
  bool cookies_stored_ = false;  // a response of the exchange set a cookie
  int redirects_followed_ = 0;
  std::optional<std::string> final_headers_;
};

}  // namespace lc::platform
