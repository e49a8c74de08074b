#pragma once
// The push program's HTTP client: UTF-8 in and out. The program's texts (addresses, header
// values, statuses) are UTF-8 and the tool's client speaks code page 936; this is the one place
// where the two meet. Every request of the program goes through it.

#include <cstddef>
#include <string>
#include <string_view>

namespace lc::push {

struct Request {
  bool post = false;
  bool put = false;
  // Sent as this program (its User-Agent, Accept: application/json) to an engine's API, rather
  // than with the window's browser headers, which the push interface expects.
  bool as_program = false;
  std::string_view body{};           // sent as it stands
  std::string_view content_type{};   // empty: the client's default for a POST
  std::string_view authorization{};  // the Authorization header's value, where one is sent
  int timeout_seconds = 0;           // 0: the client's 30 seconds
  std::size_t largest_body = 0;      // 0: no bound; see Reply::too_large
  // A conditional GET's validators, where the page was fetched before.
  std::string_view if_none_match{};
  std::string_view if_modified_since{};
};

struct Reply {
  int status = 0;             // the HTTP status, or the client's failure number (700 and up)
  std::string status_text;    // "200 OK", or the client's failure message
  std::string body;           // the bytes as they came
  bool too_large = false;     // the body went past the request's bound and was cut there
  std::string retry_after;    // the Retry-After header's value, where the answer has one
  std::string content_type;   // the Content-Type header's value
  std::string etag;           // the ETag header's value
  std::string last_modified;  // the Last-Modified header's value

  bool answered() const;      // an HTTP answer of any status arrived
  bool answered_2xx() const;  // an answer of 2xx
};

Reply http_exchange(std::string_view address, const Request& request);

// `value` fit for a URL's query: every byte but letters, digits and "-._~" percent-encoded.
std::string query_encoded(std::string_view value);

// Whether the client would send to `address` at all (http or https, a host, a port that fits).
bool is_sendable_address(std::string_view address);

}  // namespace lc::push
