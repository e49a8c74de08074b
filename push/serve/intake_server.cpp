#include "push/serve/intake_server.h"

#include <microhttpd.h>

#include <charconv>
#include <cstring>
#include <nlohmann/json.hpp>
#include <vector>

#include "platform/memory_pages.h"
#include "platform/socket_address.h"
#include "push/texts/exit_codes.h"
#include "push/texts/failure.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

// A connection that says nothing this long is closed: an idle one, or one sending a byte now
// and then.
constexpr unsigned kConnectionTimeoutSeconds = 10;
constexpr unsigned kMostConnections = 20000;
// Each thread polls its share of the connections; a request waits on its thread while its group
// is kept, so enough of them let the requests of many clients be kept as one group.
constexpr unsigned kThreads = 8;
// A body this large is a few thousand links or more.
constexpr std::size_t kLargeBody = 256 * 1024;

// One request as it arrives.
struct Arriving {
  IntakeRequest request;
  bool too_large = false;
};

MHD_Result send(MHD_Connection* connection, const IntakeReply& reply) {
  MHD_Response* response = MHD_create_response_from_buffer(
      reply.body.size(), const_cast<char*>(reply.body.data()), MHD_RESPMEM_MUST_COPY);
  if (response == nullptr) return MHD_NO;
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.content_type.c_str());
  if (reply.retry_after)
    MHD_add_response_header(response, MHD_HTTP_HEADER_RETRY_AFTER,
                            std::to_string(*reply.retry_after).c_str());
  if (reply.status == MHD_HTTP_UNAUTHORIZED)
    MHD_add_response_header(response, MHD_HTTP_HEADER_WWW_AUTHENTICATE, "Bearer");
  const MHD_Result queued = MHD_queue_response(connection, reply.status, response);
  MHD_destroy_response(response);
  return queued;
}

std::string header(MHD_Connection* connection, const char* name) {
  const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
  return value != nullptr ? value : "";
}

IntakeReply too_large(std::size_t largest) {
  return refusal(MHD_HTTP_CONTENT_TOO_LARGE,
                 texts::filled(texts::kIntakeTooLarge, {{"bytes", std::to_string(largest)}}));
}

}  // namespace

IntakeReply refusal(unsigned status, std::string_view words) {
  return {status, nlohmann::json{{"error", words}}.dump()};
}

struct IntakeServer::Daemon {
  Handler handler;
  std::size_t largest_body;
  MHD_Daemon* daemon = nullptr;

  static MHD_Result on_request(void* self, MHD_Connection* connection, const char* url,
                               const char* method, const char*, const char* upload_data,
                               size_t* upload_size, void** context) {
    Daemon& daemon = *static_cast<Daemon*>(self);
    auto* arriving = static_cast<Arriving*>(*context);
    if (arriving == nullptr) {
      arriving = new Arriving;
      *context = arriving;
      arriving->request.method = method;
      arriving->request.path = url;
      const char* site = MHD_lookup_connection_value(connection, MHD_GET_ARGUMENT_KIND, "site");
      if (site != nullptr) arriving->request.site = site;
      arriving->request.authorization = header(connection, MHD_HTTP_HEADER_AUTHORIZATION);
      arriving->request.content_type = header(connection, MHD_HTTP_HEADER_CONTENT_TYPE);
      // Refused before a byte of it is read where the length is given.
      // (A length that is no number the library refuses itself, before this is called.)
      const std::string length = header(connection, MHD_HTTP_HEADER_CONTENT_LENGTH);
      std::size_t bytes = 0;
      const auto [end, error] =
          std::from_chars(length.data(), length.data() + length.size(), bytes);
      if (error == std::errc::result_out_of_range ||
          (error == std::errc() && end == length.data() + length.size() &&
           bytes > daemon.largest_body))
        return send(connection, too_large(daemon.largest_body));
      return MHD_YES;
    }
    if (*upload_size > 0) {
      // A body sent in chunks is counted as it comes, and dropped once past the bound.
      if (!arriving->too_large &&
          arriving->request.body.size() + *upload_size > daemon.largest_body) {
        arriving->too_large = true;
        arriving->request.body = std::string();
      }
      if (!arriving->too_large) arriving->request.body.append(upload_data, *upload_size);
      *upload_size = 0;
      return MHD_YES;
    }
    if (arriving->too_large) return send(connection, too_large(daemon.largest_body));
    return send(connection, daemon.handler(arriving->request));
  }

  static void on_completed(void*, MHD_Connection*, void** context, MHD_RequestTerminationCode) {
    const auto* arriving = static_cast<Arriving*>(*context);
    const bool large = arriving != nullptr && arriving->request.body.size() >= kLargeBody;
    delete arriving;
    *context = nullptr;
    // Each thread's heap would keep what a large body took: a service's memory stays flat.
    if (large) platform::give_back_free_memory();
  }
};

IntakeServer::IntakeServer(const ListenAddress& address, Handler handler,
                           std::optional<int> handed_socket, std::size_t largest_body)
    : daemon_(std::make_unique<Daemon>()) {
  daemon_->handler = std::move(handler);
  daemon_->largest_body = largest_body;
  // No log of its own: what fails at the start is said below, in the service's words.
  unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_AUTO;
  std::vector<MHD_OptionItem> options = {
      {MHD_OPTION_NOTIFY_COMPLETED, reinterpret_cast<intptr_t>(&Daemon::on_completed), nullptr},
      {MHD_OPTION_THREAD_POOL_SIZE, kThreads, nullptr},
      {MHD_OPTION_CONNECTION_TIMEOUT, kConnectionTimeoutSeconds, nullptr},
      {MHD_OPTION_CONNECTION_LIMIT, kMostConnections, nullptr}};
  std::optional<platform::SocketAddress> socket_address;
  if (handed_socket) {
    options.push_back({MHD_OPTION_LISTEN_SOCKET, *handed_socket, nullptr});
  } else {
    socket_address = platform::socket_address(address.host, address.port);
    if (!socket_address)
      throw Failure(kUsageOrInput, texts::about(address.host, texts::kNotListenAddress));
    if (socket_address->ipv6) flags |= MHD_USE_IPv6;
    options.push_back({MHD_OPTION_SOCK_ADDR, 0, socket_address->bytes.data()});
  }
  options.push_back({MHD_OPTION_END, 0, nullptr});
  daemon_->daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, &Daemon::on_request, daemon_.get(),
                                     MHD_OPTION_ARRAY, options.data(), MHD_OPTION_END);
  if (daemon_->daemon == nullptr) {
    const int error = errno;
    throw Failure(kUsageOrInput, texts::about(address.host + ":" + std::to_string(address.port),
                                              texts::filled(texts::kCannotListen,
                                                            {{"words", std::strerror(error)}})));
  }
}

IntakeServer::~IntakeServer() {
  if (daemon_->daemon != nullptr) MHD_stop_daemon(daemon_->daemon);
}

int IntakeServer::port() const {
  const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon_->daemon, MHD_DAEMON_INFO_BIND_PORT);
  return info != nullptr ? info->port : 0;
}

}  // namespace lc::push
