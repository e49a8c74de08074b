#include "http/http_request.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "common/ascii_text.h"
#include "common/marked_text.h"
#include "common/text_ops.h"
#include "common/text_search.h"
#include "http/body_text.h"
#include "http/cookie_merge.h"
#include "http/header_block.h"
#include "http/http_messages.h"
#include "http/request_headers.h"
#include "http/utf16_text.h"
#include "platform/com_apartment.h"
#include "platform/event_pump.h"
#include "platform/http_transport.h"
#include "platform/memory_pages.h"
#include "regex/regex_object.h"

namespace lc {
namespace {

namespace messages = http_messages;

// By method number.
constexpr TextView kVerbs[] = {"GET",     "POST",   "HEAD",  "PUT",
                               "OPTIONS", "DELETE", "TRACE", "CONNECT"};
// Where the status code stands in the status line (1-based), after "HTTP/1.1 ".
constexpr TextPos kStatusCodeAt = 10;
constexpr int kDefaultTimeoutSeconds = 30;
constexpr std::size_t kLargestUpFrontBody = std::size_t{1} << 30;
constexpr std::size_t kMappedAhead = 16 << 20;
constexpr int kLongestTimeoutSeconds = std::numeric_limits<int>::max() / 1000;

// A host as a URL names it: a name without the URL's delimiters, spaces or controls, or an IP
// literal in brackets holding an address. The same rule on both systems, whatever the transport
// lets through.
bool is_url_host(std::u16string_view host) {
  if (host.starts_with(u'[')) {
    const std::u16string_view inside = host.substr(1, host.size() - 2);
    return host.size() > 2 && host.ends_with(u']') &&
           std::all_of(inside.begin(), inside.end(), [](char16_t c) {
             return is_ascii_digit(c) || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                    c == u':' || c == u'.' || c == u'%';
           });
  }
  return !host.empty() && std::none_of(host.begin(), host.end(), [](char16_t c) {
    return c <= u' ' || c == 0x7F ||
           std::u16string_view(u"/?#@[]\\").find(c) != std::u16string_view::npos;
  });
}

std::optional<platform::CrackedUrl> split_request_url(platform::HttpTransport& transport,
                                                      TextView url) {
  std::optional<platform::CrackedUrl> split = transport.crack_url(text_to_utf16_units(url));
  if (split && !is_url_host(split->host)) split.reset();
  return split;
}

TextView verb_of(HttpMethod method) {
  const auto number = static_cast<std::size_t>(method);
  return number < std::size(kVerbs) ? kVerbs[number] : kVerbs[0];
}

// A caller's out-argument, or a temporary of the call when the caller left it out.
template <typename T>
class OutArgument {
 public:
  explicit OutArgument(T* caller) : value_(caller != nullptr ? *caller : temporary_) {}
  T& operator*() { return value_; }
  T* operator->() { return &value_; }
  bool given() const { return &value_ != &temporary_; }

 private:
  T temporary_{};
  T& value_;
};

class Exchange {
 public:
  Exchange(TextView url, const HttpRequestOptions& options)
      : url_(url),
        options_(options),
        cookies_(options.cookies),
        new_cookies_(options.new_cookies),
        response_headers_(options.response_headers),
        location_(options.location),
        status_(options.status),
        response_bytes_(options.response_bytes),
        failure_(options.failure) {}

  Text run();

 private:
  // The common way out lets pending window messages run first; the other only closes.
  enum class Exit { kCommon, kWithoutMessages };
  // A step that failed: its message, and the way out it calls for.
  struct Failure {
    TextView message;
    Exit exit;
  };

  // Stores `message` in status and leaves the way the failure calls for.
  Text fail(TextView message, Exit exit);
  // A failure while the server was being talked to: the system's cause goes with it.
  Text failed_on_the_way(TextView message);
  Text common_exit(Text result, bool let_messages_run = true);
  void close_handles();
  std::optional<Failure> set_up_request();
  std::span<const std::uint8_t> request_body() const;
  Text handle_response();
  // Reads the whole body into `body`; gives where its text ends, at its first zero byte.
  std::size_t read_body(Text& body);
  void scan_header_lines();

  TextView url_;
  const HttpRequestOptions& options_;
  RegexObject regex_;  // one for the whole call
  std::unique_ptr<platform::HttpTransport> transport_ = platform::make_http_transport();
  OutArgument<Text> cookies_;
  OutArgument<Text> new_cookies_;
  OutArgument<Text> response_headers_;
  OutArgument<Text> location_;
  OutArgument<Text> status_;
  OutArgument<ByteArray> response_bytes_;
  OutArgument<platform::TransportFailure> failure_;
  bool read_failed_ = false;
};

Text Exchange::fail(TextView message, Exit exit) {
  *status_ = Text(message);
  return common_exit({}, exit == Exit::kCommon);
}

Text Exchange::failed_on_the_way(TextView message) {
  *failure_ = transport_->last_failure();
  return fail(message, Exit::kCommon);
}

Text Exchange::common_exit(Text result, bool let_messages_run) {
  if (let_messages_run) platform::handle_pending_messages();
  close_handles();
  return result;
}

void Exchange::close_handles() {
  transport_->close_request();
  transport_->close_connection();
  transport_->close_session();
}

Text Exchange::run() {
  if (!transport_->check_platform()) return fail(messages::kNoTransport, Exit::kWithoutMessages);
  const std::optional<platform::CrackedUrl> url = split_request_url(*transport_, url_);
  if (!url) return fail(messages::kBadUrl, Exit::kCommon);
  const std::u16string object_name = url->path.empty() ? u"/" : url->path + url->extra_info;

  // A plain-HTTP URL gets the proxy for its own scheme only.
  Text proxy_name;
  if (!options_.proxy.empty()) proxy_name = (url->secure ? "" : "http=") + Text(options_.proxy);
  if (!transport_->open_session(text_to_utf16_units(proxy_name)))
    return fail(messages::kNoSession, Exit::kCommon);
  // Clamped so that the milliseconds fit the transport's integer.
  const int seconds = options_.timeout_seconds > 0
                          ? std::min(options_.timeout_seconds, kLongestTimeoutSeconds)
                          : kDefaultTimeoutSeconds;
  const int timeout_ms = seconds * 1000;
  if (!transport_->set_timeouts(timeout_ms, timeout_ms, timeout_ms, timeout_ms)) {
    return fail(messages::kTimeoutsRefused, Exit::kCommon);
  }
  if (!transport_->connect(url->host, url->port))
    return fail(messages::kNoConnection, Exit::kCommon);
  if (!transport_->open_request(text_to_utf16_units(verb_of(options_.method)), object_name,
                                url->secure)) {
    return fail(messages::kNoRequest, Exit::kCommon);
  }
  if (const std::optional<Failure> failure = set_up_request())
    return fail(failure->message, failure->exit);
  if (!transport_->send_request(request_body())) return failed_on_the_way(messages::kSendFailed);
  if (!transport_->receive_response()) return failed_on_the_way(messages::kNoResponse);
  return handle_response();
}

std::optional<Exchange::Failure> Exchange::set_up_request() {
  using platform::CredentialTarget;
  if (!options_.user_name.empty() && !options_.password.empty() &&
      !transport_->set_credentials(CredentialTarget::kServer,
                                   text_to_utf16_units(options_.user_name),
                                   text_to_utf16_units(options_.password))) {
    return Failure{messages::kCredentialsRefused, Exit::kWithoutMessages};
  }
  if (!options_.proxy_user_name.empty() && !options_.proxy_password.empty() &&
      !transport_->set_credentials(CredentialTarget::kProxy,
                                   text_to_utf16_units(options_.proxy_user_name),
                                   text_to_utf16_units(options_.proxy_password))) {
    return Failure{messages::kCredentialsRefused, Exit::kWithoutMessages};
  }
  if (!transport_->keep_certificate_checks()) {
    return Failure{messages::kCertificateOptionRefused, Exit::kWithoutMessages};
  }
  if (!transport_->use_cookie_store(!cookies_->empty())) {
    return Failure{messages::kCookieOptionRefused, Exit::kWithoutMessages};
  }
  if (options_.no_redirect && !transport_->disable_redirects()) {
    return Failure{messages::kRedirectOptionRefused, Exit::kWithoutMessages};
  }
  const Text block = assemble_request_headers({.extra_headers = options_.extra_headers,
                                               .method = options_.method,
                                               .cookies = *cookies_,
                                               .add_default_headers = options_.add_default_headers,
                                               .normalize_headers = options_.normalize_headers});
  if (!transport_->add_request_headers(text_to_utf16_units(block))) {
    return Failure{messages::kHeadersRefused, Exit::kCommon};
  }
  return std::nullopt;
}

std::span<const std::uint8_t> Exchange::request_body() const {
  if (!options_.body_bytes.empty()) return options_.body_bytes;
  return std::span(reinterpret_cast<const std::uint8_t*>(options_.body_text.data()),
                   options_.body_text.size());
}

Text Exchange::handle_response() {
  Text accumulator;
  const std::size_t text_end = read_body(accumulator);
  const std::optional<std::u16string> raw_headers = transport_->query_raw_headers();
  if (!raw_headers) return common_exit({});
  *response_headers_ = utf16_units_to_text(*raw_headers);
  // A read that failed keeps its message: the status line would report a cut body as whole.
  if (!read_failed_) {
    const TextPos line_end = find(*response_headers_, kLineBreak, kStatusCodeAt);
    *status_ = line_end == kNotFound
                   ? Text()
                   : mid(*response_headers_, kStatusCodeAt, line_end - kStatusCodeAt);
  }
  scan_header_lines();
  if (new_cookies_->ends_with(kCookieSeparator)) {
    new_cookies_->resize(new_cookies_->size() - kCookieSeparator.size());
  }
  if (options_.auto_merge_cookies && !cookies_->empty()) {
    *new_cookies_ = merge_cookies(*cookies_, *new_cookies_);
  }
  if (response_bytes_.given()) response_bytes_->assign(accumulator.begin(), accumulator.end());

  const TextView body_text = TextView(accumulator).substr(0, text_end);
  std::optional<Text> converted;
  platform::com_initialize();
  if (const std::optional<Text> charset = declared_charset(regex_, body_text)) {
    if (!charset->empty() && *charset != "gbk" && *charset != "gb2312") {
      converted = converted_body(*charset, accumulator);
    }
    platform::handle_pending_messages();
  }
  platform::com_uninitialize();
  if (!converted) accumulator.resize(body_text.size());
  return common_exit(converted ? std::move(*converted) : std::move(accumulator));
}

std::size_t Exchange::read_body(Text& body) {
  // Growing a buffer means holding its old and new copies at once; sized up front from what the
  // response announces, a large body is held once. A bound keeps a false announcement harmless.
  const std::size_t largest =
      options_.largest_body > 0 ? options_.largest_body : kLargestUpFrontBody;
  const std::optional<std::size_t> announced = transport_->announced_body_size();
  if (announced && *announced <= largest) body.reserve(*announced);
  // The first zero byte, where the body's text ends, is looked for in each chunk while it is at
  // hand rather than in another pass over the whole body.
  std::size_t text_end = Text::npos;
  std::size_t mapped = 0;  // how much of the reserved room is mapped for writing
  for (;;) {
    std::size_t available = 0;
    // A transport that cannot say what is left has lost the body: that is a failed read too.
    if (!transport_->query_data_available(available)) break;
    if (available < 1) return text_end;
    const std::size_t old_size = body.size();
    // The reserved room is mapped a stretch ahead of the writing, never further, so that a false
    // announcement costs no memory.
    if (old_size + available > mapped && mapped < body.capacity()) {
      const std::size_t until = std::min(body.capacity(), old_size + available + kMappedAhead);
      platform::map_for_writing(body.data() + mapped, until - mapped);
      mapped = until;
    }
    body.resize(old_size + available);
    std::size_t read = 0;
    const bool ok = transport_->read_data(reinterpret_cast<std::uint8_t*>(body.data() + old_size),
                                          available, read);
    body.resize(old_size + (ok ? read : 0));
    if (!ok || (options_.largest_body > 0 && body.size() > options_.largest_body)) break;
    if (text_end == Text::npos) {
      if (const void* zero = std::memchr(body.data() + old_size, '\0', read)) {
        text_end = static_cast<std::size_t>(static_cast<const char*>(zero) - body.data());
      }
    }
  }
  read_failed_ = true;
  *failure_ = transport_->last_failure();
  *status_ = Text(messages::kReadFailed);
  return text_end;
}

void Exchange::scan_header_lines() {
  for (const Text& line : split(*response_headers_, kLineBreak)) {
    if (text_before_marker(line, messages::kHeaderNameEnd) == messages::kSetCookieName) {
      const Text item = find(line, ";") != kNotFound
                            ? text_between_markers(line, messages::kSetCookiePrefix, ";")
                            : replace(line, messages::kSetCookiePrefix, "", true);
      new_cookies_->append(trim(item)).append(kCookieSeparator);
    }
    const TextPos prefix_length = length(messages::kLocationPrefix);
    if (upper(left(line, prefix_length)) == messages::kLocationPrefix)
      *location_ = mid(line, prefix_length + 1, length(line));
    platform::handle_pending_messages();
  }
}

}  // namespace

Text http_request(TextView url, const HttpRequestOptions& options) {
  return Exchange(url, options).run();
}

bool is_request_url(TextView url) {
  return split_request_url(*platform::make_http_transport(), url).has_value();
}

}  // namespace lc
