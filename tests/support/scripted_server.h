#pragma once
// A loopback HTTP server that plays a script: for each request it receives, in arrival order, it
// sends exactly the bytes of the next reply, pausing, closing or resetting where the reply says.
// It records every request byte for byte, so tests can check exactly what the client sent.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/sockets.h"

namespace lc::test {

struct ReplyStep {
  enum class Kind { kSend, kPause, kClose, kReset };
  Kind kind;
  std::string bytes;
  std::chrono::milliseconds pause{0};
};

using Reply = std::vector<ReplyStep>;

ReplyStep send(std::string bytes);
ReplyStep pause_for(std::chrono::milliseconds duration);
ReplyStep close_connection();
ReplyStep reset_connection();  // RST instead of FIN

// A whole reply with a status line, header lines and a body (Content-Length added).
Reply respond(std::string status_line, std::vector<std::string> header_lines, std::string body);

class ScriptedServer {
 public:
  explicit ScriptedServer(std::vector<Reply> replies);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  std::uint16_t port() const { return port_; }
  std::string url(const std::string& path = "/") const;
  // The requests received so far, each as it arrived on the wire.
  std::vector<std::string> requests() const;
  // How many connections it took.
  std::size_t connections() const;

 private:
  void serve();
  void serve_connection(Socket socket);
  void pause(std::chrono::milliseconds duration) const;

  Socket listener_{};
  std::uint16_t port_ = 0;
  std::vector<Reply> replies_;
  std::size_t next_reply_ = 0;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::atomic<bool> stopping_{false};
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

// A port on 127.0.0.1 where nothing listens.
std::uint16_t unused_port();

}  // namespace lc::test
