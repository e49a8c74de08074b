// The exchange itself: sending, the response's headers, redirects and the streamed body.
#include <algorithm>
#include <charconv>
#include <cstring>

#include "common/ascii_text.h"
#include "platform/ascii_case.h"
#include "platform/event_pump.h"
#include "platform/linux/curl_library.h"
#include "platform/linux/curl_transport.h"
#include "platform/linux/url_split.h"
#include "platform/text_encodings.h"
#include "platform/url_text.h"

namespace lc::platform {
namespace {

constexpr int kMaxRedirects = 10;
// A redirect's body is read past only this far, as the Windows service drains it; a longer one
// is cut off with its connection.
constexpr std::size_t kRedirectDrainBytes = 1 << 20;
// Also how often the windows may repaint while the network is silent.
constexpr long kPollMilliseconds = 50;
constexpr std::size_t kLargestChunk = 128 * 1024;
// libcurl headers that the client's own header block replaces when it holds them.
constexpr std::string_view kHeadersOnlyFromTheBlock[] = {"Accept", "Expect", "Content-Type"};

std::string_view name_of(std::string_view line) {
  return line.substr(0, line.find(':'));
}

// A header line's value: the optional white space of HTTP around it removed.
std::string_view trimmed(std::string_view text) {
  return trimmed_ascii(text, " \t");
}

int status_code(std::string_view response) {
  const std::size_t space = response.find(' ');
  if (space == std::string_view::npos) return 0;
  int code = 0;
  for (std::size_t at = space + 1; at < response.size() && at < space + 4; ++at) {
    if (!is_ascii_digit(response[at])) return 0;
    code = code * 10 + (response[at] - '0');
  }
  return code;
}

std::string header_value(std::string_view response, std::string_view name) {
  for (const std::string_view line : crlf_lines(response)) {
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos &&
        equals_ignoring_ascii_case(line.substr(0, colon), name)) {
      return std::string(trimmed(line.substr(colon + 1)));
    }
  }
  return {};
}

bool is_redirect(int code) {
  return code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
}

}  // namespace

bool CurlTransport::apply_method() {
  static const char kNoBody[] = "";
  CURL* easy = easy_.get();
  bool ok = curl().easy_setopt(easy, CURLOPT_CUSTOMREQUEST, nullptr) == CURLE_OK &&
            curl().easy_setopt(easy, CURLOPT_NOBODY, 0L) == CURLE_OK;
  if (verb_ == "HEAD") return ok && curl().easy_setopt(easy, CURLOPT_NOBODY, 1L) == CURLE_OK;
  if (verb_ == "POST" || !body_.empty()) {
    // Never a null body: libcurl would then read one from standard input.
    const void* data = body_.empty() ? static_cast<const void*>(kNoBody) : body_.data();
    ok = ok && curl().easy_setopt(easy, CURLOPT_POSTFIELDS, data) == CURLE_OK &&
         curl().easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                            static_cast<curl_off_t>(body_.size())) == CURLE_OK;
  } else {
    ok = ok && curl().easy_setopt(easy, CURLOPT_HTTPGET, 1L) == CURLE_OK;
  }
  const bool plain_get = verb_ == "GET" && body_.empty();
  if (verb_ != "POST" && !plain_get) {
    ok = ok && curl().easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb_.c_str()) == CURLE_OK;
  }
  return ok;
}

bool CurlTransport::start_transfer() {
  CurlList list;
  // Once an earlier response of the exchange set cookies, libcurl writes the one Cookie line:
  // the stored cookies that match this request, then those of the block's own Cookie line.
  std::string block_cookies;
  for (const std::string& line : header_lines_) {
    const std::string_view value = trimmed(std::string_view(line).substr(line.find(':') + 1));
    if (cookies_stored_ && equals_ignoring_ascii_case(trimmed(name_of(line)), "Cookie")) {
      block_cookies.append(block_cookies.empty() ? "" : "; ").append(value);
      continue;
    }
    // libcurl reads "Name:" with nothing after it as "drop this header"; "Name;" sends it empty.
    const std::string entry = value.empty() ? std::string(name_of(line)) + ";" : line;
    if (!append_to(list, entry.c_str())) return false;
  }
  // An empty file name starts libcurl's own store, empty, for this exchange.
  if (cookie_store_ &&
      (curl().easy_setopt(easy_.get(), CURLOPT_COOKIEFILE, "") != CURLE_OK ||
       curl().easy_setopt(easy_.get(), CURLOPT_COOKIE,
                          block_cookies.empty() ? nullptr : block_cookies.c_str()) != CURLE_OK)) {
    return false;
  }
  // On the wire go only the client's own lines, Host, Content-Length and credentials.
  for (std::string_view name : kHeadersOnlyFromTheBlock) {
    const bool in_block = std::any_of(
        header_lines_.begin(), header_lines_.end(),
        [&](const auto& l) { return equals_ignoring_ascii_case(trimmed(name_of(l)), name); });
    if (!in_block && !append_to(list, (std::string(name) + ":").c_str())) return false;
  }
  header_list_ = std::move(list);
  if (curl().easy_setopt(easy_.get(), CURLOPT_URL, url_.c_str()) != CURLE_OK ||
      curl().easy_setopt(easy_.get(), CURLOPT_HTTPHEADER, header_list_.get()) != CURLE_OK ||
      !configure_transfer()) {
    return false;
  }
  done_ = false;
  result_ = CURLE_OK;
  request_started_ = false;
  body_bytes_out_ = 0;
  response_in_progress_.clear();
  response_.reset();
  proxy_response_.reset();
  discarding_body_ = false;
  last_activity_ = Clock::now();
  in_multi_ = curl().multi_add_handle(multi_.get(), easy_.get()) == CURLM_OK;
  return in_multi_;
}

void CurlTransport::stop_transfer() {
  if (in_multi_) curl().multi_remove_handle(multi_.get(), easy_.get());
  in_multi_ = false;
}

template <typename Ready>
void CurlTransport::drive(Ready ready) {
  while (!ready() && !done_) {
    int running = 0;
    curl().multi_perform(multi_.get(), &running);
    int queued = 0;
    while (CURLMsg* message = curl().multi_info_read(multi_.get(), &queued)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy_.get()) {
        done_ = true;
        result_ = message->data.result;
      }
    }
    if (ready() || done_) return;
    // Up to connecting, libcurl's own timeout watches; from the request on, silence is bounded.
    if (request_started_ && !paused_ && Clock::now() - last_activity_ > silence_limit_) {
      done_ = true;
      result_ = CURLE_OPERATION_TIMEDOUT;
      return;
    }
    repaint_windows();
    curl().multi_poll(multi_.get(), nullptr, 0, kPollMilliseconds, nullptr);
  }
}

bool CurlTransport::request_sent() const {
  const std::size_t body_size = verb_ == "HEAD" ? 0 : body_.size();
  return request_started_ && body_bytes_out_ >= body_size;
}

bool CurlTransport::send_request(std::span<const std::uint8_t> body) {
  if (!easy_ || !multi_) return false;
  body_ = body;
  if (!start_transfer()) return false;
  drive([this] { return request_sent() || response_.has_value(); });
  if (request_sent() || response_) return true;
  // A proxy that refuses the tunnel has answered: that answer is the response.
  return proxy_response_ && status_code(*proxy_response_) >= 300;
}

bool CurlTransport::receive_response() {
  if (!in_multi_) return false;
  for (;;) {
    drive([this] { return response_.has_value(); });
    if (!response_) {
      if (!proxy_response_ || status_code(*proxy_response_) < 300) return false;
      final_headers_ = proxy_response_;
      return true;
    }
    if (!follow_redirect(*response_)) {
      final_headers_ = response_;
      return true;
    }
  }
}

// Redirects are followed here rather than by libcurl, so that only the final response's
// headers reach the client, https never leads to http, and credentials stay with their host.
bool CurlTransport::follow_redirect(const std::string& response) {
  const int code = status_code(response);
  if (!follow_redirects_ || redirects_followed_ >= kMaxRedirects || !is_redirect(code))
    return false;
  const std::string location = header_value(response, "Location");
  if (location.empty()) return false;
  const CurlUrl current(curl().url());
  const CurlUrl target(curl().url());
  const std::string encoded = percent_encoded(location);
  if (!current || !target || curl().url_set(current.get(), CURLUPART_URL, url_.c_str(), 0) ||
      curl().url_set(target.get(), CURLUPART_URL, url_.c_str(), 0) ||
      curl().url_set(target.get(), CURLUPART_URL, encoded.c_str(), 0)) {
    return false;
  }
  const std::optional<std::string> scheme = url_part(target.get(), CURLUPART_SCHEME);
  const std::optional<std::string> next = url_part(target.get(), CURLUPART_URL);
  if (!scheme || !next || (*scheme != "http" && *scheme != "https") ||
      (secure_ && *scheme == "http")) {
    return false;
  }
  const auto origin = [](CURLU* url) {
    return url_part(url, CURLUPART_SCHEME).value_or("") + "://" +
           url_part(url, CURLUPART_HOST).value_or("") + ":" +
           url_part(url, CURLUPART_PORT, CURLU_DEFAULT_PORT).value_or("");
  };
  if (origin(current.get()) != origin(target.get())) server_credentials_.reset();
  if (cookie_store_ && !header_value(response, "Set-Cookie").empty()) cookies_stored_ = true;
  // Let the redirect's own body pass unseen, so the connection can serve the next request.
  discarding_body_ = true;
  discarded_bytes_ = 0;
  resume_after_chunk();  // drops what of that body already arrived
  drive([this] { return discarded_bytes_ > kRedirectDrainBytes; });
  stop_transfer();
  if (code == 303 ? verb_ != "HEAD" : (code != 307 && code != 308 && verb_ == "POST")) {
    verb_ = "GET";
    body_ = {};
  }
  url_ = *next;
  secure_ = *scheme == "https";
  ++redirects_followed_;
  return start_transfer();
}

std::optional<std::size_t> CurlTransport::announced_body_size() {
  if (!final_headers_ || verb_ == "HEAD") return std::nullopt;
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
  drive([this] { return chunk_read_ < chunk_.size(); });
  if (chunk_read_ < chunk_.size()) {
    count = chunk_.size() - chunk_read_;
    return true;
  }
  // The transfer is over. A proxy's refusal has no body to read; any other transfer that broke
  // after its headers is a failure, never a quiet end of the body.
  count = 0;
  const bool answered_by_proxy = !response_;
  return result_ == CURLE_OK || answered_by_proxy;
}

bool CurlTransport::read_data(std::uint8_t* buffer, std::size_t count, std::size_t& read) {
  read = 0;
  if (chunk_read_ >= chunk_.size()) {
    std::size_t available = 0;
    if (!query_data_available(available)) return false;
    if (available == 0) return true;
  }
  read = std::min(count, chunk_.size() - chunk_read_);
  std::memcpy(buffer, chunk_.data() + chunk_read_, read);
  chunk_read_ += read;
  if (chunk_read_ == chunk_.size()) resume_after_chunk();
  return true;
}

void CurlTransport::resume_after_chunk() {
  chunk_.clear();
  chunk_read_ = 0;
  if (!paused_) return;
  paused_ = false;
  last_activity_ = Clock::now();
  // libcurl may hand the chunk it held back to on_body right here.
  curl().easy_pause(easy_.get(), CURLPAUSE_CONT);
}

std::optional<std::u16string> CurlTransport::query_raw_headers() {
  if (!final_headers_) return std::nullopt;
  return cp936_to_utf16(*final_headers_);
}

void CurlTransport::close_request() {
  if (easy_) stop_transfer();
  easy_.reset();
  header_list_.reset();
}

void CurlTransport::close_connection() {
  host_.clear();
  port_ = 0;
}

void CurlTransport::close_session() {
  multi_.reset();
}

std::size_t CurlTransport::on_header(char* data, std::size_t size, std::size_t count, void* self) {
  auto* transport = static_cast<CurlTransport*>(self);
  std::string_view line(data, size * count);
  transport->last_activity_ = Clock::now();
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
    line.remove_suffix(1);
  if (line.starts_with("HTTP/")) transport->response_in_progress_.clear();
  transport->response_in_progress_.append(line).append("\r\n");
  if (line.empty()) transport->on_response_headers_complete();
  return size * count;
}

void CurlTransport::on_response_headers_complete() {
  std::string block = std::move(response_in_progress_);
  response_in_progress_.clear();
  const int code = status_code(block);
  if (code >= 100 && code < 200) return;  // an interim answer such as 100 Continue
  if (!request_started_) {
    proxy_response_ = std::move(block);  // the proxy's answer to CONNECT
  } else {
    response_ = std::move(block);
  }
}

std::size_t CurlTransport::on_body(char* data, std::size_t size, std::size_t count, void* self) {
  auto* transport = static_cast<CurlTransport*>(self);
  transport->last_activity_ = Clock::now();
  if (transport->discarding_body_) {
    transport->discarded_bytes_ += size * count;
    return size * count;
  }
  // What arrives joins the chunk that waits to be read, up to a bound; past it libcurl keeps
  // the data until the chunk is read, so a slow reader never makes the body pile up here.
  if (transport->chunk_.size() - transport->chunk_read_ >= kLargestChunk) {
    transport->paused_ = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  transport->chunk_.erase(0, transport->chunk_read_);
  transport->chunk_read_ = 0;
  transport->chunk_.append(data, size * count);
  return size * count;
}

int CurlTransport::on_request_start(void* self, char*, char*, int, int) {
  auto* transport = static_cast<CurlTransport*>(self);
  transport->request_started_ = true;
  transport->last_activity_ = Clock::now();
  return CURL_PREREQFUNC_OK;
}

int CurlTransport::on_progress(void* self, curl_off_t, curl_off_t, curl_off_t,
                               curl_off_t uploaded) {
  auto* transport = static_cast<CurlTransport*>(self);
  const auto sent = static_cast<std::size_t>(uploaded);
  if (sent != transport->body_bytes_out_) {
    transport->body_bytes_out_ = sent;
    transport->last_activity_ = Clock::now();
  }
  return 0;
}

}  // namespace lc::platform
