#include <winsock2.h>

#include <stdexcept>

#include "tests/support/loopback.h"
#include "tests/support/loopback_address.h"

namespace korvalesen::testing::loopback {
namespace {

// Winsock 2 is started once for the test program and stays started until it ends.
void Start() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) throw std::runtime_error("Winsock 2 does not start");
}

SOCKET Native(Socket socket) {
  return static_cast<SOCKET>(socket);
}

// A socket that no child process inherits.
SOCKET OpenSocket() {
  Start();
  const SOCKET socket_id = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                      WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (socket_id == INVALID_SOCKET) throw std::runtime_error("no socket");
  return socket_id;
}

}  // namespace

Socket Listen(std::uint16_t& port, int backlog) {
  const SOCKET socket_id = OpenSocket();
  sockaddr_in address = Address(0);
  if (bind(socket_id, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(socket_id, backlog) != 0) {
    closesocket(socket_id);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  int length = sizeof address;
  getsockname(socket_id, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return static_cast<Socket>(socket_id);
}

Socket Accept(Socket listener, int timeout_ms) {
  if (!WaitReadable(listener, timeout_ms)) return kNone;
  const SOCKET accepted = accept(Native(listener), nullptr, nullptr);
  if (accepted == INVALID_SOCKET) return kNone;
  SetHandleInformation(reinterpret_cast<HANDLE>(accepted), HANDLE_FLAG_INHERIT, 0);
  return static_cast<Socket>(accepted);
}

Socket Connect(std::uint16_t port) {
  const SOCKET socket_id = OpenSocket();
  const sockaddr_in address = Address(port);
  if (connect(socket_id, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    closesocket(socket_id);
    return kNone;
  }
  return static_cast<Socket>(socket_id);
}

bool WaitReadable(Socket socket, int timeout_ms) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(Native(socket), &readable);
  timeval limit{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  return select(0, &readable, nullptr, nullptr, timeout_ms < 0 ? nullptr : &limit) == 1;
}

long Receive(Socket socket, char* data, std::size_t size) {
  return recv(Native(socket), data, static_cast<int>(size), 0);
}

bool SendAll(Socket socket, std::string_view bytes) {
  while (!bytes.empty()) {
    const int sent = send(Native(socket), bytes.data(), static_cast<int>(bytes.size()), 0);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void Close(Socket socket) {
  if (socket != kNone) closesocket(Native(socket));
}

}  // namespace korvalesen::testing::loopback
