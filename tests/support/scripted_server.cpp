#include "tests/support/scripted_server.h"

#include "tests/support/sockets.h"

namespace lc::test {
namespace {

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
  listener_ = listen_on_loopback(port_);
  acceptor_ = std::thread([this] { serve(); });
}

// A pause in a reply, cut short when the server stops.
void ScriptedServer::pause(std::chrono::milliseconds duration) const {
  const auto end = std::chrono::steady_clock::now() + duration;
  while (!stopping_ && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(
        std::chrono::milliseconds(20), end - std::chrono::steady_clock::now()));
}

ScriptedServer::~ScriptedServer() {
  stopping_ = true;
  acceptor_.join();
  for (std::thread& connection : connections_)
    connection.join();
  close_socket(listener_);
}

std::string ScriptedServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> ScriptedServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::size_t ScriptedServer::connections() const {
  std::lock_guard lock(mutex_);
  return connections_.size();
}

void ScriptedServer::serve() {
  while (wait_readable(listener_, stopping_)) {
    if (const std::optional<Socket> connection = accept_connection(listener_)) {
      const std::lock_guard lock(mutex_);
      connections_.emplace_back([this, socket = *connection] { serve_connection(socket); });
    }
  }
}

void ScriptedServer::serve_connection(Socket fd) {
  std::string received;
  bool open = true;
  while (open && !stopping_) {
    // One request: its head, then as many body bytes as it announces.
    std::size_t head_end;
    while ((head_end = received.find("\r\n\r\n")) == std::string::npos) {
      char buffer[65536];
      if (!wait_readable(fd, stopping_)) break;
      const long n = receive_some(fd, buffer, sizeof buffer);
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
      const long n = receive_some(fd, buffer, sizeof buffer);
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
      // A client that left ends the reply: the rest of a long script would go nowhere.
      if (stopping_ || (step.kind == ReplyStep::Kind::kSend && !send_all(fd, step.bytes))) {
        open = false;
        break;
      }
      if (step.kind == ReplyStep::Kind::kPause) pause(step.pause);
      if (step.kind == ReplyStep::Kind::kReset) reset_on_close(fd);
      if (step.kind == ReplyStep::Kind::kClose || step.kind == ReplyStep::Kind::kReset) {
        open = false;
        break;
      }
    }
  }
  // Hold the connection until the client leaves or the server stops, as a real server would.
  while (open && wait_readable(fd, stopping_)) {
    char buffer[4096];
    if (receive_some(fd, buffer, sizeof buffer) <= 0) break;
  }
  close_socket(fd);
}

std::uint16_t unused_port() {
  std::uint16_t port = 0;
  close_socket(listen_on_loopback(port));
  return port;
}

}  // namespace lc::test
