#include "push/engines/client.h"

#include <cctype>

#include "http/header_block.h"
#include "http/http_request.h"
#include "http/http_status.h"
#include "platform/text_encodings.h"
#include "platform/url_text.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

// Characters beyond ASCII go as percent-encoded UTF-8, as a browser sends them: the address then
// holds ASCII alone, which code page 936 keeps as it is, and nothing becomes "?" on the way.
Text client_address(std::string_view address) {
  return platform::percent_encoded(address);
}

// The system's cause in our words, for the status text.
std::string_view words_of(platform::TransportFailure failure) {
  using platform::TransportFailure;
  switch (failure) {
    case TransportFailure::kNone:
      return {};
    case TransportFailure::kRefused:
      return texts::kRefusedConnection;
    case TransportFailure::kTimedOut:
      return texts::kTimedOut;
    case TransportFailure::kNameNotResolved:
      return texts::kNameNotResolved;
    case TransportFailure::kSecureConnection:
      return texts::kSecureConnectionFailed;
    case TransportFailure::kCutOff:
      return texts::kCutOff;
    case TransportFailure::kOther:
      return texts::kNetworkFailed;
  }
  return {};
}

}  // namespace

bool Reply::answered() const {
  return is_answer_status(status);
}

bool Reply::answered_2xx() const {
  return status >= 200 && status < 300;
}

Reply http_exchange(std::string_view address, const Request& request) {
  Text headers;
  const auto add_header = [&](std::string_view name, std::string_view value) {
    if (value.empty()) return;
    if (!headers.empty()) headers += kLineBreak;
    headers += Text(name) + ": " + platform::utf8_to_cp936(value);
  };
  if (request.as_program) {
    add_header("User-Agent", "linkcourier-push/" LINKCOURIER_VERSION);
    add_header("Accept", "application/json");
  }
  add_header("Content-Type", request.content_type);
  add_header("Authorization", request.authorization);
  add_header("If-None-Match", request.if_none_match);
  add_header("If-Modified-Since", request.if_modified_since);
  Text status;
  Text response_headers;
  ByteArray bytes;
  platform::TransportFailure failure = platform::TransportFailure::kNone;
  http_request(client_address(address), {.method = request.put    ? HttpMethod::kPut
                                                   : request.post ? HttpMethod::kPost
                                                                  : HttpMethod::kGet,
                                         .body_text = request.body,
                                         .extra_headers = headers,
                                         .response_headers = &response_headers,
                                         .timeout_seconds = request.timeout_seconds,
                                         .status = &status,
                                         .response_bytes = &bytes,
                                         .add_default_headers = !request.as_program,
                                         .largest_body = request.largest_body,
                                         .failure = &failure});
  Reply reply;
  reply.status = status_number(status);
  reply.status_text = platform::cp936_to_utf8(status);
  if (const std::string_view cause = words_of(failure); !cause.empty())
    reply.status_text.append("（").append(cause).append("）");
  reply.body.assign(bytes.begin(), bytes.end());
  reply.too_large = request.largest_body > 0 && reply.body.size() > request.largest_body;
  reply.retry_after = platform::cp936_to_utf8(get_header_value(response_headers, "Retry-After"));
  reply.content_type = platform::cp936_to_utf8(get_header_value(response_headers, "Content-Type"));
  reply.etag = platform::cp936_to_utf8(get_header_value(response_headers, "ETag"));
  reply.last_modified =
      platform::cp936_to_utf8(get_header_value(response_headers, "Last-Modified"));
  return reply;
}

std::string query_encoded(std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) != 0 || c == '-' || c == '.' || c == '_' || c == '~') {
      encoded += c;
    } else {
      encoded += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
    }
  }
  return encoded;
}

bool is_sendable_address(std::string_view address) {
  return is_request_url(client_address(address));
}

}  // namespace lc::push
