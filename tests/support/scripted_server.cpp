#include "tests/support/scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace lc::test {
namespace {

int listening_socket(std::uint16_t& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::listen(fd, 16) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    throw std::runtime_error("cannot listen on loopback");
  }
  port = ntohs(address.sin_port);
  return fd;
}

bool wait_readable(int fd, const std::atomic<bool>& stopping) {
  while (!stopping) {
    pollfd entry{fd, POLLIN, 0};
    const int ready = ::poll(&entry, 1, 50);
    if (ready > 0) return true;
  }
  return false;
}

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

std::size_t content_length(const std::string& head) {
  std::string lowered;
  for (char c : head)
    lowered.push_back(lower(c));
  const std::size_t at = lowered.find("\r\ncontent-length:");
  if (at == std::string::npos) return 0;
  return std::stoul(head.substr(at + 17));
}

void send_all(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

}  // namespace

ReplyStep send(std::string bytes) {
  return {ReplyStep::Kind::kSend, std::move(bytes)};
}
ReplyStep pause_for(std::chrono::milliseconds duration) {
  return {ReplyStep::Kind::kPause, {}, duration};
}
ReplyStep close_connection() {
  return {ReplyStep::Kind::kClose, {}};
}
ReplyStep reset_connection() {
  return {ReplyStep::Kind::kReset, {}};
}

Reply respond(std::string status_line, std::vector<std::string> header_lines, std::string body) {
  std::string bytes = status_line + "\r\n";
  for (const std::string& line : header_lines)
    bytes += line + "\r\n";
  bytes += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  return {send(std::move(bytes))};
}

ScriptedServer::ScriptedServer(std::vector<Reply> replies) : replies_(std::move(replies)) {
  listener_ = listening_socket(port_);
  acceptor_ = std::thread([this] { serve(); });
}

ScriptedServer::~ScriptedServer() {
  stopping_ = true;
  acceptor_.join();
  for (std::thread& connection : connections_)
    connection.join();
  ::close(listener_);
}

std::string ScriptedServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> ScriptedServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void ScriptedServer::serve() {
  while (wait_readable(listener_, stopping_)) {
    const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection >= 0)
      connections_.emplace_back([this, connection] { serve_connection(connection); });
  }
}

void ScriptedServer::serve_connection(int fd) {
  std::string received;
  bool open = true;
  while (open && !stopping_) {
    // One request: its head, then as many body bytes as it announces.
    std::size_t head_end;
    while ((head_end = received.find("\r\n\r\n")) == std::string::npos) {
      char buffer[65536];
      if (!wait_readable(fd, stopping_)) break;
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) {
        open = false;
        break;
      }
      received.append(buffer, static_cast<std::size_t>(n));
    }
    if (!open || head_end == std::string::npos) break;
    const std::size_t total = head_end + 4 + content_length(received.substr(0, head_end + 2));
    while (received.size() < total && wait_readable(fd, stopping_)) {
      char buffer[65536];
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      received.append(buffer, static_cast<std::size_t>(n));
    }
    Reply reply;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(received.substr(0, total));
      if (next_reply_ < replies_.size()) reply = replies_[next_reply_++];
    }
    received.erase(0, total);
    if (reply.empty()) break;
    for (const ReplyStep& step : reply) {
      if (step.kind == ReplyStep::Kind::kSend) send_all(fd, step.bytes);
      if (step.kind == ReplyStep::Kind::kPause) std::this_thread::sleep_for(step.pause);
      if (step.kind == ReplyStep::Kind::kReset) {
        const linger abortive{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
      }
      if (step.kind == ReplyStep::Kind::kClose || step.kind == ReplyStep::Kind::kReset) {
        open = false;
        break;
      }
    }
  }
  // Hold the connection until the client leaves or the server stops, as a real server would.
  while (open && wait_readable(fd, stopping_)) {
    char buffer[4096];
    if (::recv(fd, buffer, sizeof buffer, 0) <= 0) break;
  }
  ::close(fd);
}

std::uint16_t unused_port() {
  std::uint16_t port = 0;
  const int fd = listening_socket(port);
  ::close(fd);
  return port;
}

}  // namespace lc::test
