#pragma once
// One synchronous HTTP or HTTPS exchange. Returns the response body as text, converted from the
// character set a page declares; empty text when the exchange fails, with the reason in `status`.
// Out-arguments point at the caller's variables and are written only where the exchange gets to
// them; an omitted one is a temporary nobody reads.

#include <cstdint>
#include <span>

#include "common/text.h"
#include "http/http_method.h"
#include "platform/http_transport.h"

namespace lc {

struct HttpRequestOptions {
  HttpMethod method = HttpMethod::kGet;
  TextView body_text{};
  Text* cookies = nullptr;  // in/out: sent, then replaced by the merged cookies
  Text* new_cookies = nullptr;
  TextView extra_headers{};
  Text* response_headers = nullptr;
  bool no_redirect = false;
  TextView user_name{};
  TextView password{};
  TextView proxy{};
  TextView proxy_user_name{};
  TextView proxy_password{};
  int timeout_seconds = 0;  // 0 or less: 30 seconds
  Text* location = nullptr;
  Text* status = nullptr;
  ByteArray* response_bytes = nullptr;
  bool auto_merge_cookies = true;
  bool add_default_headers = true;
  std::span<const std::uint8_t> body_bytes{};  // sent instead of body_text when not empty
  bool normalize_headers = true;
  // The most body bytes to take (0: no bound); past it the read stops with "713" and what was
  // read, so that a body too large for its reader is never held whole.
  std::size_t largest_body = 0;
  // Where the exchange failed on the way (711 to 713): why, as far as the system said.
  platform::TransportFailure* failure = nullptr;
};

Text http_request(TextView url, const HttpRequestOptions& options = {});

// Whether `url` is one http_request would send to (not failing with "701"): http or https, a
// host, a port that fits.
bool is_request_url(TextView url);

}  // namespace lc
