#pragma once
// The few socket calls the test servers need, on POSIX and on Winsock.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lc::test {

#ifdef _WIN32
using Socket = std::uintptr_t;
#else
using Socket = int;
#endif

// A socket listening on 127.0.0.1 at a port the operating system picks; throws when there is none.
Socket listen_on_loopback(std::uint16_t& port);
// The next connection on `listener`, or nothing (an invalid socket) on failure.
std::optional<Socket> accept_connection(Socket listener);
// True once `socket` can be read; false when `stopping` turns true first.
bool wait_readable(Socket socket, const std::atomic<bool>& stopping);
// Some bytes into `buffer`; 0 or less when the peer has gone.
long receive_some(Socket socket, char* buffer, std::size_t size);
// False once the peer has gone.
bool send_all(Socket socket, std::string_view bytes);
// Closing sends a reset (RST) instead of an orderly end (FIN).
void reset_on_close(Socket socket);
void close_socket(Socket socket);
// A connection to 127.0.0.1:`port`; none where nothing accepts it. Throws when no socket can be
// made at all.
std::optional<Socket> connect_to_loopback(std::uint16_t port);
// True when something accepts connections on 127.0.0.1:`port`; throws when no socket can be
// made at all.
bool accepts_connections(std::uint16_t port);
// Sends `request` to 127.0.0.1:`port` and gives all that comes back until the server closes;
// empty where nothing could be sent.
std::string ask_loopback(std::uint16_t port, std::string_view request);
// Waits until accepts_connections(port); false after ten seconds.
bool wait_until_accepting(std::uint16_t port);

}  // namespace lc::test
