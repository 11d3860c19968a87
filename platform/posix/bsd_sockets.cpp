// The socket functions on BSD sockets, with errno mapped onto the Windows socket codes.

#include <chrono>
#include <cstring>
#include <optional>

#include "platform/posix/system_net.h"
#include "platform/socket_api.h"
#include "platform/socket_error_codes.h"

namespace korvalesen::platform {
namespace {

int WindowsCode(int error_number) {
  switch (error_number) {
    case EINTR:
      return kWsaInterrupted;
    case EBADF:
      return kWsaBadHandle;
    case EACCES:
      return kWsaAccessDenied;
    case EFAULT:
      return kWsaBadAddress;
    case EINVAL:
      return kWsaInvalidArgument;
    case EMFILE:
      return kWsaTooManyFiles;
    case EAGAIN:
      return kWsaWouldBlock;
    case EINPROGRESS:
      return kWsaInProgress;
    case EALREADY:
      return kWsaAlready;
    case ENOTSOCK:
      return kWsaNotSocket;
    case EDESTADDRREQ:
      return kWsaDestinationRequired;
    case EMSGSIZE:
      return kWsaMessageSize;
    case EPROTOTYPE:
      return kWsaProtocolType;
    case ENOPROTOOPT:
      return kWsaNoProtocolOption;
    case EPROTONOSUPPORT:
      return kWsaProtocolNotSupported;
    case ESOCKTNOSUPPORT:
      return kWsaSocketTypeNotSupported;
    case EOPNOTSUPP:
      return kWsaOperationNotSupported;
    case EPFNOSUPPORT:
      return kWsaProtocolFamilyNotSupported;
    case EAFNOSUPPORT:
      return kWsaAddressFamilyNotSupported;
    case EADDRINUSE:
      return kWsaAddressInUse;
    case EADDRNOTAVAIL:
      return kWsaAddressNotAvailable;
    case ENETDOWN:
      return kWsaNetworkDown;
    case ENETUNREACH:
      return kWsaNetworkUnreachable;
    case ENETRESET:
      return kWsaNetworkReset;
    case ECONNABORTED:
      return kWsaConnectionAborted;
    case ECONNRESET:
      return kWsaConnectionReset;
    case ENOBUFS:
      return kWsaNoBuffers;
    case EISCONN:
      return kWsaIsConnected;
    case ENOTCONN:
      return kWsaNotConnected;
    // Sending after the connection was shut down: Linux says EPIPE where Windows says WSAESHUTDOWN.
    case EPIPE:
    case ESHUTDOWN:
      return kWsaShutDown;
    case ETOOMANYREFS:
      return kWsaTooManyReferences;
    case ETIMEDOUT:
      return kWsaTimedOut;
    case ECONNREFUSED:
      return kWsaConnectionRefused;
    case ELOOP:
      return kWsaLoop;
    case ENAMETOOLONG:
      return kWsaNameTooLong;
    case EHOSTDOWN:
      return kWsaHostDown;
    case EHOSTUNREACH:
      return kWsaHostUnreachable;
    case ENOTEMPTY:
      return kWsaNotEmpty;
    // Codes without a Windows counterpart keep their own value, which has no text.
    default:
      return error_number;
  }
}

SocketCall Failure() {
  return {-1, WindowsCode(errno)};
}

// The socket address of a dotted address (empty: any local address); nullopt for a text that
// is not one, which must never become the address 0.0.0.0 of the local machine.
std::optional<sockaddr_in> ToSocketAddress(const std::string& address, std::uint16_t port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_port = htons(port);
  if (address.empty()) {
    result.sin_addr.s_addr = htonl(INADDR_ANY);
  } else if (inet_pton(AF_INET, address.c_str(), &result.sin_addr) != 1) {
    return std::nullopt;
  }
  return result;
}

Endpoint FromSocketAddress(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return {text, ntohs(address.sin_port)};
}

template <typename Getter>
Endpoint ReadEndpoint(NativeSocket socket, Getter getter) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (getter(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return {};
  return FromSocketAddress(address);
}

// poll on one descriptor, retrying after signals with the time that is left.
WaitOutcome PollFor(NativeSocket socket, short events, int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int wait_ms = -1;
    if (timeout_ms >= 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      wait_ms = left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }
    pollfd entry{socket, events, 0};
    const int ready = poll(&entry, 1, wait_ms);
    if (ready == 1) return WaitOutcome::kReady;
    if (ready == 0) return WaitOutcome::kTimedOut;
    if (errno != EINTR) return WaitOutcome::kFailed;
  }
}

bool SetNonBlocking(NativeSocket socket, bool on) {
  const int flags = fcntl(socket, F_GETFL);
  return flags >= 0 && fcntl(socket, F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) == 0;
}

// Connecting has ended with `result`: the socket blocks again; failing that fails a success.
SocketCall EndConnect(NativeSocket socket, SocketCall result) {
  if (!SetNonBlocking(socket, false) && !result.Failed()) return Failure();
  return result;
}

}  // namespace

SocketLibraryStart StartSocketLibrary() {
  return {SocketStartup::kStarted, "libc"};
}

void StopSocketLibrary() {}

SocketCall OpenStreamSocket() {
  const int socket_id = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket_id < 0) return Failure();
  return {socket_id, 0};
}

SocketCall BindSocket(NativeSocket socket, const std::string& address) {
  const std::optional<sockaddr_in> local = ToSocketAddress(address, 0);
  if (!local) return {-1, kWsaInvalidArgument};
  if (bind(socket, reinterpret_cast<const sockaddr*>(&*local), sizeof *local) != 0) {
    return Failure();
  }
  return {};
}

SocketCall BeginConnect(NativeSocket socket, const std::string& address, std::uint16_t port) {
  const std::optional<sockaddr_in> peer = ToSocketAddress(address, port);
  if (!peer) return {-1, kWsaInvalidArgument};
  if (!SetNonBlocking(socket, true)) return Failure();
  if (connect(socket, reinterpret_cast<const sockaddr*>(&*peer), sizeof *peer) == 0) {
    return EndConnect(socket, {});
  }
  if (errno == EINPROGRESS) return {-1, kWsaWouldBlock};
  return EndConnect(socket, Failure());
}

SocketCall AwaitConnect(NativeSocket socket, int timeout_ms) {
  const WaitOutcome outcome = PollFor(socket, POLLOUT, timeout_ms);
  if (outcome == WaitOutcome::kTimedOut) return {-1, kWsaTimedOut};
  if (outcome == WaitOutcome::kFailed) return EndConnect(socket, Failure());
  int pending = 0;
  socklen_t length = sizeof pending;
  getsockopt(socket, SOL_SOCKET, SO_ERROR, &pending, &length);
  return EndConnect(socket, pending != 0 ? SocketCall{-1, WindowsCode(pending)} : SocketCall{});
}

Endpoint LocalEndpoint(NativeSocket socket) {
  return ReadEndpoint(socket, getsockname);
}

Endpoint PeerEndpoint(NativeSocket socket) {
  return ReadEndpoint(socket, getpeername);
}

WaitOutcome WaitReadable(NativeSocket socket, int timeout_ms) {
  return PollFor(socket, POLLIN, timeout_ms);
}

SocketCall ReceiveBytes(NativeSocket socket, char* data, std::size_t size) {
  for (;;) {
    const ssize_t received = recv(socket, data, size, 0);
    if (received >= 0) return {static_cast<long>(received), 0};
    if (errno != EINTR) return Failure();
  }
}

SocketCall SendBytes(NativeSocket socket, const char* data, std::size_t size, int timeout_ms) {
  for (;;) {
    const WaitOutcome outcome = PollFor(socket, POLLOUT, timeout_ms);
    if (outcome == WaitOutcome::kTimedOut) return {-1, kWsaTimedOut};
    if (outcome == WaitOutcome::kFailed) return Failure();
    // Without waiting, so that a peer that stops reading cannot hold the call beyond the limit.
    const ssize_t sent = send(socket, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent >= 0) return {static_cast<long>(sent), 0};
    if (errno != EAGAIN && errno != EINTR) return Failure();
  }
}

void ShutdownAndClose(NativeSocket socket) {
  shutdown(socket, SHUT_WR);
  close(socket);
}

HostLookup LookUpIPv4(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int status = getaddrinfo(name.c_str(), nullptr, &hints, &found);
  if (status != 0) {
    // The name service's own failures take the Windows resolver codes.
    switch (status) {
      case EAI_NONAME:
        return {{}, kWsaHostNotFound};
      case EAI_AGAIN:
        return {{}, kWsaTryAgain};
      case EAI_NODATA:
      case EAI_ADDRFAMILY:
        return {{}, kWsaNoData};
      case EAI_SYSTEM:
        return {{}, WindowsCode(errno)};
      default:
        return {{}, kWsaNoRecovery};
    }
  }
  sockaddr_in address{};
  std::memcpy(&address, found->ai_addr, sizeof address);
  freeaddrinfo(found);
  return {FromSocketAddress(address).address, 0};
}

}  // namespace korvalesen::platform
