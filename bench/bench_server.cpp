// A fast local server for the HTTP benchmarks, in a process of its own so that its memory and
// time stay out of the client's figures. GET /big answers 256 MiB; any POST answers the push
// interface's JSON once the whole body has arrived. One request per connection.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr std::size_t kBigBody = 256u << 20;
constexpr std::size_t kPiece = 1u << 20;

void send_all(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
    if (sent <= 0) return;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
}

void serve(int fd, const std::string& piece) {
  std::string request;
  char buffer[65536];
  std::size_t head_end;
  while ((head_end = request.find("\r\n\r\n")) == std::string::npos) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return ::close(fd), void();
    request.append(buffer, static_cast<std::size_t>(n));
  }
  const std::size_t length_at = request.find("Content-Length: ");
  const std::size_t body_size =
      length_at < head_end ? std::strtoul(request.c_str() + length_at + 16, nullptr, 10) : 0;
  while (request.size() < head_end + 4 + body_size) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  if (request.starts_with("GET /big")) {
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kBigBody) +
                             "\r\nConnection: close\r\n\r\n";
    send_all(fd, head.data(), head.size());
    for (std::size_t sent = 0; sent < kBigBody; sent += kPiece)
      send_all(fd, piece.data(), kPiece);
  } else {
    const std::string body = "{\"remain_batch\":4998,\"success_batch\":2000}";
    const std::string reply =
        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
        std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    send_all(fd, reply.data(), reply.size());
  }
  ::close(fd);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::string piece(kPiece, 'x');
  for (std::size_t i = 0; i < piece.size(); i += 64)
    piece[i] = '\n';
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  const int yes = 1;
  ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(std::atoi(argv[1])));
  if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, 64) != 0) {
    return 1;
  }
  for (;;) {
    const int fd = ::accept(listener, nullptr, nullptr);
    if (fd >= 0) std::thread(serve, fd, std::cref(piece)).detach();
  }
}
