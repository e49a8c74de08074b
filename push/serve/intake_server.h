#pragma once
// The service's HTTP side, over libmicrohttpd: it collects each request whole (its body within a
// bound), hands it to one function and sends back what that function answers. Idle and slow
// connections time out; the number of connections and each one's memory are bounded.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "push/settings/serve_settings.h"

namespace lc::push {

struct IntakeRequest {
  std::string method;
  std::string path;           // without its query
  std::string site;           // the query's site=NAME, where given
  std::string authorization;  // the header's value
  std::string content_type;
  std::string body;
};

struct IntakeReply {
  unsigned status = 200;
  std::string body;  // JSON, unless the content type says otherwise
  std::string content_type = "application/json";
  std::optional<int> retry_after{};  // seconds
};

// A refusal: {"error": WORDS}.
IntakeReply refusal(unsigned status, std::string_view words);

// A request body may hold this many bytes: about 100,000 links.
inline constexpr std::size_t kLargestIntakeBody = 16 * 1024 * 1024;

class IntakeServer {
 public:
  using Handler = std::function<IntakeReply(const IntakeRequest&)>;

  // Listens at `address` (port 0: one the system picks), or on the listening socket a service
  // manager handed over; throws Failure when it cannot.
  IntakeServer(const ListenAddress& address, Handler handler,
               std::optional<int> handed_socket = std::nullopt,
               std::size_t largest_body = kLargestIntakeBody);
  ~IntakeServer();
  IntakeServer(const IntakeServer&) = delete;
  IntakeServer& operator=(const IntakeServer&) = delete;

  int port() const;

 private:
  struct Daemon;
  std::unique_ptr<Daemon> daemon_;
};

}  // namespace lc::push
