#include "tests/support/sockets.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace lc::test {
namespace {

#ifdef _WIN32
using AddressSize = int;
constexpr int kNoSignal = 0;
constexpr int kCloseOnExec = 0;
const auto poll_sockets = WSAPoll;
const auto close_native = closesocket;
constexpr Socket kInvalid = INVALID_SOCKET;
int last_error() {
  return WSAGetLastError();
}

// Winsock must be started once per process before any other call.
void start_sockets() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) throw std::runtime_error("cannot start Winsock");
}
#else
using AddressSize = socklen_t;
constexpr int kNoSignal = MSG_NOSIGNAL;
constexpr int kCloseOnExec = SOCK_CLOEXEC;
const auto poll_sockets = ::poll;
const auto close_native = ::close;
constexpr Socket kInvalid = -1;
int last_error() {
  return errno;
}

void start_sockets() {}
#endif

sockaddr_in loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}

// Throws with the system's error code, so that a test run out of sockets says so at once.
[[noreturn]] void fail(const std::string& what) {
  throw std::runtime_error(what + " (system error " + std::to_string(last_error()) + ")");
}

Socket tcp_socket() {
  start_sockets();
  const Socket socket = ::socket(AF_INET, SOCK_STREAM | kCloseOnExec, 0);
  if (socket == kInvalid) fail("cannot make a socket");
  return socket;
}

}  // namespace

Socket listen_on_loopback(std::uint16_t& port) {
  const Socket socket = tcp_socket();
  sockaddr_in address = loopback(0);
  AddressSize size = sizeof address;
  if (::bind(socket, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::listen(socket, 16) != 0 ||
      ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    fail("cannot listen on loopback");
  }
  port = ntohs(address.sin_port);
  return socket;
}

std::optional<Socket> accept_connection(Socket listener) {
  const Socket connection = ::accept(listener, nullptr, nullptr);
  if (connection == kInvalid) return std::nullopt;
  return connection;
}

bool wait_readable(Socket socket, const std::atomic<bool>& stopping) {
  while (!stopping) {
    pollfd entry{};
    entry.fd = socket;
    entry.events = POLLIN;
    if (poll_sockets(&entry, 1, 50) > 0) return true;
  }
  return false;
}

long receive_some(Socket socket, char* buffer, std::size_t size) {
  return ::recv(socket, buffer, static_cast<int>(size), 0);
}

bool send_all(Socket socket, std::string_view bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const auto n =
        ::send(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), kNoSignal);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

void reset_on_close(Socket socket) {
  linger abortive{};
  abortive.l_onoff = 1;
  abortive.l_linger = 0;
  ::setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
               sizeof abortive);
}

void close_socket(Socket socket) {
  close_native(socket);
}

std::optional<Socket> connect_to_loopback(std::uint16_t port) {
  const Socket socket = tcp_socket();
  const sockaddr_in address = loopback(port);
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
    return socket;
  close_socket(socket);
  return std::nullopt;
}

bool accepts_connections(std::uint16_t port) {
  const std::optional<Socket> socket = connect_to_loopback(port);
  if (socket) close_socket(*socket);
  return socket.has_value();
}

std::string ask_loopback(std::uint16_t port, std::string_view request) {
  const Socket socket = tcp_socket();
  const sockaddr_in address = loopback(port);
  std::string answer;
  // A server may answer before the request is all sent (a body too large), and close.
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    send_all(socket, request);
    char buffer[4096];
    for (long got; (got = receive_some(socket, buffer, sizeof buffer)) > 0;)
      answer.append(buffer, static_cast<std::size_t>(got));
  }
  close_socket(socket);
  return answer;
}

bool wait_until_accepting(std::uint16_t port) {
  using namespace std::chrono_literals;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < deadline) {
    if (accepts_connections(port)) return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
}

}  // namespace lc::test
