#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "tests/support/loopback.h"
#include "tests/support/loopback_address.h"

namespace korvalesen::testing::loopback {

// Every socket is closed on exec, so that the servers the tests start as child processes
// inherit none.
Socket Listen(std::uint16_t& port, int backlog) {
  const int socket_id = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Address(0);
  if (socket_id < 0 ||
      bind(socket_id, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(socket_id, backlog) != 0) {
    if (socket_id >= 0) close(socket_id);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  socklen_t length = sizeof address;
  getsockname(socket_id, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return socket_id;
}

Socket Accept(Socket listener, int timeout_ms) {
  if (!WaitReadable(listener, timeout_ms)) return kNone;
  return accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
}

Socket Connect(std::uint16_t port) {
  const int socket_id = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = Address(port);
  if (connect(socket_id, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(socket_id);
    return kNone;
  }
  return socket_id;
}

bool WaitReadable(Socket socket, int timeout_ms) {
  pollfd entry{static_cast<int>(socket), POLLIN, 0};
  return poll(&entry, 1, timeout_ms) == 1;
}

long Receive(Socket socket, char* data, std::size_t size) {
  return static_cast<long>(recv(static_cast<int>(socket), data, size, 0));
}

bool SendAll(Socket socket, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = send(static_cast<int>(socket), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void Close(Socket socket) {
  if (socket != kNone) close(static_cast<int>(socket));
}

}  // namespace korvalesen::testing::loopback
