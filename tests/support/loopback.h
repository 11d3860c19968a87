#pragma once

// Plain TCP sockets on 127.0.0.1 for the tests' own servers and helpers, with one meaning on
// Linux (BSD sockets) and on Windows (Winsock 2). The product's socket layer is not used here:
// it has no listening side, and a test server must not share the faults it is meant to find.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvalesen::testing::loopback {

// A socket, or kNone.
using Socket = std::intptr_t;
constexpr Socket kNone = -1;

// A listening socket on 127.0.0.1 and the port the system gave it; throws when there is none.
// `backlog` is listen's: 0 holds one waiting connection, and the system drops the packets of
// every further attempt while it waits unaccepted.
Socket Listen(std::uint16_t& port, int backlog = 4);
// The next connection, or kNone when none comes within the time.
Socket Accept(Socket listener, int timeout_ms);
// A connection to the port on 127.0.0.1, or kNone when it is refused.
Socket Connect(std::uint16_t port);
// Whether the socket has something to read (data or its end) within the time.
bool WaitReadable(Socket socket, int timeout_ms);
// Up to size bytes; 0 when the peer has closed, negative on failure.
long Receive(Socket socket, char* data, std::size_t size);
// Sends all bytes; false when the peer is gone.
bool SendAll(Socket socket, std::string_view bytes);
void Close(Socket socket);

}  // namespace korvalesen::testing::loopback
