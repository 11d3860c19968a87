#pragma once

// The operating system's stream sockets as a few plain functions. Every failure is reported
// with the Windows socket error code (10061 for a refused connection and so on), since the
// texts of the socket layer are bound to those codes. Time limits are in milliseconds.

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvalesen::platform {

using NativeSocket = int;

// The outcome of a call: on success `error` is 0 and `value` holds the result (a socket, a
// byte count); on failure `error` holds the Windows socket error code.
struct SocketCall {
  long value = 0;
  int error = 0;

  bool Failed() const { return error != 0; }
};

struct Endpoint {
  std::string address;  // dotted IPv4 text
  std::uint16_t port = 0;
};

struct HostLookup {
  std::string address;  // the first IPv4 address, dotted; empty on failure
  int error = 0;
};

enum class WaitOutcome { kReady, kTimedOut, kFailed };

enum class SocketStartup { kStarted, kLibraryMissing, kStartFailed };

struct SocketLibraryStart {
  SocketStartup outcome = SocketStartup::kStarted;
  std::string library;  // the file name of the system's socket library
};

// Starts the system's socket library for the process, before any other function here; Stop
// ends it after the last socket. Linux's sockets need no start; Windows loads "wsock32.dll"
// (kLibraryMissing when it cannot be loaded or lacks a function) and starts version 1.1
// (kStartFailed when that is refused).
SocketLibraryStart StartSocketLibrary();
void StopSocketLibrary();

// An IPv4 stream socket with protocol 0.
SocketCall OpenStreamSocket();
// Binds to the dotted address (empty: any local address) and port 0.
SocketCall BindSocket(NativeSocket socket, const std::string& address);
// Connecting in steps, so that the caller may do other work while the handshake is under way.
// BeginConnect starts connecting to the dotted address and port without blocking: 10035 while
// the handshake is under way, otherwise its outcome. AwaitConnect waits up to timeout_ms for
// it: 10060 while it is still under way (another AwaitConnect may follow), otherwise its
// outcome. Once connecting has ended, the socket blocks again.
SocketCall BeginConnect(NativeSocket socket, const std::string& address, std::uint16_t port);
SocketCall AwaitConnect(NativeSocket socket, int timeout_ms);
Endpoint LocalEndpoint(NativeSocket socket);
Endpoint PeerEndpoint(NativeSocket socket);
// Waits until the socket is readable; a negative time-out waits without limit.
WaitOutcome WaitReadable(NativeSocket socket, int timeout_ms);
// Receives up to size bytes; value 0 means that the peer has closed.
SocketCall ReceiveBytes(NativeSocket socket, char* data, std::size_t size);
// Sends up to size bytes and returns how many the system took (at least one), waiting at most
// timeout_ms for room; a full wait fails with 10060.
SocketCall SendBytes(NativeSocket socket, const char* data, std::size_t size, int timeout_ms);
// Shuts down the sending direction, then closes the socket.
void ShutdownAndClose(NativeSocket socket);
// The first IPv4 address of a host name from the system's name service.
HostLookup LookUpIPv4(const std::string& name);

}  // namespace korvalesen::platform
