#pragma once
// One request of an exchange as libcurl is to make it: settled step by step while the client
// sets the request up, then handed whole to a transfer, which never changes it. Following a
// redirect makes a new plan.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/curl_handles.h"

namespace lc::platform {

struct Credentials {
  std::string user_name;  // code page 936, as the Windows service sends them
  std::string password;
};

struct RequestPlan {
  std::string verb;
  std::string url;  // absolute, as it goes on the wire
  bool secure = false;
  std::span<const std::uint8_t> body{};
  std::optional<Credentials> server_credentials;
  std::optional<Credentials> proxy_credentials;
  std::string proxy_list;  // the Windows proxy-list syntax; empty: no proxy
  std::chrono::milliseconds connect_timeout{30000};
  // How long the server may stay silent once the request is on its way.
  std::chrono::milliseconds silence_limit{30000};
  std::vector<std::string> header_lines;  // the client's own "Name: value" lines
  // Within one exchange, cookies that responses set go with the following requests, as the
  // Windows service keeps them, unless switched off.
  bool cookie_store = true;
  bool follow_redirects = true;

  // How many body bytes go out: none with HEAD.
  std::size_t body_size_on_the_wire() const;

  // Sets `easy` up for this request, all but the transfer's callbacks; `header_list` receives
  // the header lines and must live as long as the transfer. `cookies_stored`: an earlier
  // response of the exchange set cookies, so libcurl writes the one Cookie line.
  bool apply_to(CURL* easy, bool cookies_stored, CurlList& header_list) const;

  // The plan that follows this request's `code` response to `location` (its bytes as they
  // stand); none when it is not to be followed: not a redirect, a scheme other than http and
  // https, or from https to http.
  std::optional<RequestPlan> redirected(int code, std::string_view location) const;
};

}  // namespace lc::platform
