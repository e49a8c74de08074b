#include "platform/linux/curl_transfer.h"

#include "platform/event_pump.h"
#include "platform/linux/curl_library.h"
#include "platform/linux/response_head.h"

namespace lc::platform {
namespace {

// Also how often the windows may repaint while the network is silent.
constexpr long kPollMilliseconds = 50;
constexpr std::size_t kLargestChunk = 128 * 1024;

}  // namespace

CurlTransfer::CurlTransfer(CURLM* multi, CURL* easy, RequestPlan plan)
    : multi_(multi), easy_(easy), plan_(std::move(plan)) {}

CurlTransfer::~CurlTransfer() {
  if (in_multi_) curl().multi_remove_handle(multi_, easy_);
}

bool CurlTransfer::start(bool cookies_stored) {
  const bool ok = plan_.apply_to(easy_, cookies_stored, header_list_) &&
                  set_easy_option(easy_, CURLOPT_HEADERFUNCTION, &CurlTransfer::on_header) &&
                  set_easy_option(easy_, CURLOPT_HEADERDATA, this) &&
                  set_easy_option(easy_, CURLOPT_WRITEFUNCTION, &CurlTransfer::on_body) &&
                  set_easy_option(easy_, CURLOPT_WRITEDATA, this) &&
                  // These two tell when the request itself goes out, and how much of its body has.
                  set_easy_option(easy_, CURLOPT_PREREQFUNCTION, &CurlTransfer::on_request_start) &&
                  set_easy_option(easy_, CURLOPT_PREREQDATA, this) &&
                  set_easy_option(easy_, CURLOPT_XFERINFOFUNCTION, &CurlTransfer::on_progress) &&
                  set_easy_option(easy_, CURLOPT_XFERINFODATA, this) &&
                  set_easy_option(easy_, CURLOPT_NOPROGRESS, 0L);
  in_multi_ = ok && curl().multi_add_handle(multi_, easy_) == CURLM_OK;
  return in_multi_;
}

void CurlTransfer::move_to(Phase next) {
  const bool was_held = phase_ == Phase::kHeldForReader;
  phase_ = next;
  last_activity_ = Clock::now();
  // libcurl may hand the chunk it held back to on_body right here.
  if (was_held && next != Phase::kHeldForReader) curl().easy_pause(easy_, CURLPAUSE_CONT);
}

template <typename Ready>
void CurlTransfer::drive(Ready ready) {
  while (!ready() && !ended()) {
    int running = 0;
    curl().multi_perform(multi_, &running);
    int queued = 0;
    while (CURLMsg* message = curl().multi_info_read(multi_, &queued)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy_)
        result_ = message->data.result;
    }
    if (ready() || ended()) return;
    // Up to connecting, libcurl's own timeout watches; from the request on, silence is bounded,
    // except while the transfer waits for the client.
    const bool watched = phase_ != Phase::kConnecting && phase_ != Phase::kHeldForReader;
    if (watched && Clock::now() - last_activity_ > plan_.silence_limit) {
      result_ = CURLE_OPERATION_TIMEDOUT;
      return;
    }
    repaint_windows();
    curl().multi_poll(multi_, nullptr, 0, kPollMilliseconds, nullptr);
  }
}

bool CurlTransfer::request_sent() const {
  return phase_ != Phase::kConnecting && body_bytes_out_ >= plan_.body_size_on_the_wire();
}

bool CurlTransfer::wait_until_sent() {
  drive([this] { return request_sent() || response_.has_value(); });
  return !ended_before_sending() && (request_sent() || response_.has_value());
}

// libcurl builds the head only after the request has started, and refuses one of 1 MiB or more
// (the Windows service sends it): the transfer then ends with no byte of the request sent.
bool CurlTransfer::ended_before_sending() const {
  if (!ended() || ended_well() || response_.has_value()) return false;
  long request_bytes = 0;
  return curl().easy_getinfo(easy_, CURLINFO_REQUEST_SIZE, &request_bytes) == CURLE_OK &&
         request_bytes == 0;
}

long CurlTransfer::system_error() const {
  long error = 0;
  return curl().easy_getinfo(easy_, CURLINFO_OS_ERRNO, &error) == CURLE_OK ? error : 0;
}

const std::optional<std::string>& CurlTransfer::wait_for_response() {
  drive([this] { return response_.has_value(); });
  return response_;
}

std::string_view CurlTransfer::wait_for_body() {
  drive([this] { return chunk_read_ < chunk_.size(); });
  return std::string_view(chunk_).substr(chunk_read_);
}

void CurlTransfer::consume(std::size_t count) {
  chunk_read_ += count;
  if (chunk_read_ >= chunk_.size()) resume();
}

void CurlTransfer::resume() {
  chunk_.clear();
  chunk_read_ = 0;
  if (phase_ == Phase::kHeldForReader) move_to(Phase::kReading);
}

void CurlTransfer::pass_over_body(std::size_t limit) {
  // What of the body already arrived is dropped; what libcurl held back passes over as well.
  passed_over_ = 0;
  chunk_.clear();
  chunk_read_ = 0;
  move_to(Phase::kPassingOver);
  drive([this, limit] { return passed_over_ > limit; });
}

std::size_t CurlTransfer::on_header(char* data, std::size_t size, std::size_t count, void* self) {
  auto* transfer = static_cast<CurlTransfer*>(self);
  std::string_view line(data, size * count);
  transfer->last_activity_ = Clock::now();
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
    line.remove_suffix(1);
  if (line.starts_with("HTTP/")) transfer->response_in_progress_.clear();
  transfer->response_in_progress_.append(line).append("\r\n");
  if (line.empty()) transfer->on_response_headers_complete();
  return size * count;
}

void CurlTransfer::on_response_headers_complete() {
  std::string head = std::move(response_in_progress_);
  response_in_progress_.clear();
  const int code = status_code(head);
  if (code >= 100 && code < 200) return;  // an interim answer such as 100 Continue
  if (phase_ == Phase::kConnecting) {
    proxy_response_ = std::move(head);  // the proxy's answer to CONNECT
  } else {
    response_ = std::move(head);
    move_to(Phase::kReading);
  }
}

std::size_t CurlTransfer::on_body(char* data, std::size_t size, std::size_t count, void* self) {
  auto* transfer = static_cast<CurlTransfer*>(self);
  transfer->last_activity_ = Clock::now();
  if (transfer->phase_ == Phase::kPassingOver) {
    transfer->passed_over_ += size * count;
    return size * count;
  }
  // What arrives joins the chunk that waits to be read, up to a bound; past it libcurl keeps
  // the data until the chunk is read, so a slow reader never makes the body pile up here.
  if (transfer->chunk_.size() - transfer->chunk_read_ >= kLargestChunk) {
    transfer->move_to(Phase::kHeldForReader);
    return CURL_WRITEFUNC_PAUSE;
  }
  transfer->chunk_.erase(0, transfer->chunk_read_);
  transfer->chunk_read_ = 0;
  transfer->chunk_.append(data, size * count);
  return size * count;
}

int CurlTransfer::on_request_start(void* self, char*, char*, int, int) {
  static_cast<CurlTransfer*>(self)->move_to(Phase::kSending);
  return CURL_PREREQFUNC_OK;
}

int CurlTransfer::on_progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
  auto* transfer = static_cast<CurlTransfer*>(self);
  const auto sent = static_cast<std::size_t>(uploaded);
  if (sent != transfer->body_bytes_out_) {
    transfer->body_bytes_out_ = sent;
    transfer->last_activity_ = Clock::now();
  }
  return 0;
}

}  // namespace lc::platform
