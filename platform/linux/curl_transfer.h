#pragma once
// One request of a plan through libcurl's multi interface, from adding the easy handle until it
// is taken out again. The body streams: each chunk waits, with the transfer paused, until the
// client has read it.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/curl_handles.h"
#include "platform/linux/curl_request_plan.h"

namespace lc::platform {

class CurlTransfer {
 public:
  // libcurl's callbacks point at the transfer: it stays where it is made.
  CurlTransfer(CURLM* multi, CURL* easy, RequestPlan plan);
  ~CurlTransfer();
  CurlTransfer(const CurlTransfer&) = delete;
  CurlTransfer& operator=(const CurlTransfer&) = delete;

  // Sets the easy handle up and adds it to the multi handle; false when libcurl refuses.
  bool start(bool cookies_stored);
  const RequestPlan& plan() const { return plan_; }

  // Waits until the request and its body are out, or a response came first; false when the
  // transfer ended before either.
  bool wait_until_sent();
  // Waits for the response to the request (interim answers skipped); none when the transfer
  // ended without one.
  const std::optional<std::string>& wait_for_response();
  // The response, once it came.
  const std::optional<std::string>& response() const { return response_; }
  // A proxy's complete answer to CONNECT, when it gave one.
  const std::optional<std::string>& proxy_response() const { return proxy_response_; }

  // Waits for body bytes the client has not read yet; empty at the end of the body.
  std::string_view wait_for_body();
  // The client has read `count` bytes of what `wait_for_body` gave.
  void consume(std::size_t count);
  // Whether the transfer that ended reached the end of its body, not a failure on the way.
  bool ended_well() const { return result_ == CURLE_OK; }
  // How the transfer ended, once it did.
  std::optional<CURLcode> result() const { return result_; }
  // The system's error number of the transfer's last failed call on its socket; 0 for none.
  long system_error() const;

  // Lets the body pass unseen up to `limit` bytes, so the connection can serve a following
  // request; past it the transfer is left to be cut off with its connection.
  void pass_over_body(std::size_t limit);

 private:
  // Each phase the transfer goes through; `move_to` is the one place that changes it.
  enum class Phase {
    kConnecting,     // added, the request not yet on its way
    kSending,        // the request on its way
    kReading,        // the response arriving
    kHeldForReader,  // paused: a whole chunk waits to be read
    kPassingOver,    // the body let through unseen
  };
  void move_to(Phase next);

  // Runs the transfer until `ready` holds or it ends.
  template <typename Ready>
  void drive(Ready ready);
  bool request_sent() const;
  bool ended() const { return result_.has_value(); }
  bool ended_before_sending() const;
  void resume();

  static std::size_t on_header(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t on_body(char* data, std::size_t size, std::size_t count, void* self);
  static int on_request_start(void* self, char*, char*, int, int);
  static int on_progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded);
  void on_response_headers_complete();

  using Clock = std::chrono::steady_clock;

  CURLM* multi_;
  CURL* easy_;
  const RequestPlan plan_;
  CurlList header_list_;
  bool in_multi_ = false;
  Phase phase_ = Phase::kConnecting;
  std::optional<CURLcode> result_;  // set when the transfer ended
  Clock::time_point last_activity_ = Clock::now();
  std::size_t body_bytes_out_ = 0;
  std::string response_in_progress_;
  std::optional<std::string> response_;
  std::optional<std::string> proxy_response_;
  std::size_t passed_over_ = 0;
  std::string chunk_;
  std::size_t chunk_read_ = 0;
};

}  // namespace lc::platform
