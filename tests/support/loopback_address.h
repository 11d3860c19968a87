#pragma once

// The socket address of a port on 127.0.0.1, for both implementations of loopback.h; included
// after the system's socket header, which declares the same names on Linux and on Windows.

namespace korvalesen::testing::loopback {

inline sockaddr_in Address(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace korvalesen::testing::loopback
