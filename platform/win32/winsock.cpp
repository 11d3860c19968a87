// The socket functions on Winsock 1.1, loaded at run time from "wsock32.dll" in the system
// folder with every function looked up by name. The error codes are Windows' own.

#include <windows.h>

#include <cstring>
#include <optional>

#include "platform/socket_api.h"
#include "platform/socket_error_codes.h"
#include "platform/win32/system_library.h"
#include "platform/win32/system_net.h"

namespace korvalesen::platform {
namespace {

constexpr char kLibrary[] = "wsock32.dll";
constexpr wchar_t kLibraryWide[] = L"wsock32.dll";
constexpr SOCKET kInvalidSocket = ~SOCKET{0};

// The functions of the library, looked up by name when it is started.
struct Winsock {
  HMODULE library = nullptr;
  decltype(&::WSAStartup) WSAStartup = nullptr;
  decltype(&::WSACleanup) WSACleanup = nullptr;
  decltype(&::WSACancelBlockingCall) WSACancelBlockingCall = nullptr;
  decltype(&::WSAGetLastError) WSAGetLastError = nullptr;
  decltype(&::socket) socket = nullptr;
  decltype(&::bind) bind = nullptr;
  decltype(&::connect) connect = nullptr;
  decltype(&::getsockname) getsockname = nullptr;
  decltype(&::getpeername) getpeername = nullptr;
  decltype(&::getsockopt) getsockopt = nullptr;
  decltype(&::ioctlsocket) ioctlsocket = nullptr;
  decltype(&::select) select = nullptr;
  decltype(&::recv) recv = nullptr;
  decltype(&::send) send = nullptr;
  decltype(&::shutdown) shutdown = nullptr;
  decltype(&::closesocket) closesocket = nullptr;
  decltype(&::gethostbyname) gethostbyname = nullptr;
  decltype(&::inet_addr) inet_addr = nullptr;
  decltype(&::htons) htons = nullptr;
  decltype(&::ntohs) ntohs = nullptr;
};

Winsock api;

template <typename Function>
bool LookUp(Function& function, const char* name) {
  function = SystemFunction<Function>(api.library, name);
  return function != nullptr;
}

bool LookUpAll() {
  return LookUp(api.WSAStartup, "WSAStartup") && LookUp(api.WSACleanup, "WSACleanup") &&
         LookUp(api.WSACancelBlockingCall, "WSACancelBlockingCall") &&
         LookUp(api.WSAGetLastError, "WSAGetLastError") && LookUp(api.socket, "socket") &&
         LookUp(api.bind, "bind") && LookUp(api.connect, "connect") &&
         LookUp(api.getsockname, "getsockname") && LookUp(api.getpeername, "getpeername") &&
         LookUp(api.getsockopt, "getsockopt") && LookUp(api.ioctlsocket, "ioctlsocket") &&
         LookUp(api.select, "select") && LookUp(api.recv, "recv") && LookUp(api.send, "send") &&
         LookUp(api.shutdown, "shutdown") && LookUp(api.closesocket, "closesocket") &&
         LookUp(api.gethostbyname, "gethostbyname") && LookUp(api.inet_addr, "inet_addr") &&
         LookUp(api.htons, "htons") && LookUp(api.ntohs, "ntohs");
}

SocketCall Failure() {
  return {-1, api.WSAGetLastError()};
}

// Socket handles are kernel handles, whose values Windows keeps within 32 bits even for 64-bit
// programs, so that they fit the layer's socket number.
SOCKET Native(NativeSocket socket) {
  return static_cast<SOCKET>(static_cast<unsigned int>(socket));
}

// The socket address of a dotted address (empty: any local address); nullopt for a text that
// is no address, which inet_addr gives as INADDR_NONE, the same bits as 255.255.255.255.
std::optional<sockaddr_in> ToSocketAddress(const std::string& address, std::uint16_t port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_port = api.htons(port);
  if (address.empty()) return result;
  result.sin_addr.s_addr = api.inet_addr(address.c_str());
  if (result.sin_addr.s_addr == INADDR_NONE && address != "255.255.255.255") return std::nullopt;
  return result;
}

std::string DottedText(const in_addr& address) {
  unsigned char bytes[4];
  std::memcpy(bytes, &address, sizeof bytes);
  return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
         std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

template <typename Getter>
Endpoint ReadEndpoint(NativeSocket socket, Getter getter) {
  sockaddr_in address{};
  int length = sizeof address;
  if (getter(Native(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) return {};
  return {DottedText(address.sin_addr), api.ntohs(address.sin_port)};
}

// select on one socket: readable, or writable (which includes a failed connect, reported in
// the exception set). A negative time-out waits without limit.
WaitOutcome Select(NativeSocket socket, bool for_writing, int timeout_ms) {
  fd_set wanted{};
  wanted.fd_count = 1;
  wanted.fd_array[0] = Native(socket);
  fd_set failed = wanted;
  timeval limit{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  const int ready = api.select(0, for_writing ? nullptr : &wanted, for_writing ? &wanted : nullptr,
                               for_writing ? &failed : nullptr, timeout_ms < 0 ? nullptr : &limit);
  if (ready == SOCKET_ERROR) return WaitOutcome::kFailed;
  return ready == 0 ? WaitOutcome::kTimedOut : WaitOutcome::kReady;
}

bool SetNonBlocking(NativeSocket socket, bool on) {
  u_long mode = on ? 1 : 0;
  return api.ioctlsocket(Native(socket), static_cast<long>(FIONBIO), &mode) == 0;
}

// Connecting has ended with `result`: the socket blocks again; failing that fails a success.
SocketCall EndConnect(NativeSocket socket, SocketCall result) {
  if (!SetNonBlocking(socket, false) && !result.Failed()) return Failure();
  return result;
}

}  // namespace

SocketLibraryStart StartSocketLibrary() {
  api.library = LoadSystemLibrary(kLibraryWide);
  if (api.library == nullptr || !LookUpAll()) {
    if (api.library != nullptr) FreeLibrary(api.library);
    api = {};
    return {SocketStartup::kLibraryMissing, kLibrary};
  }
  WSADATA data{};
  if (api.WSAStartup(MAKEWORD(1, 1), &data) != 0) {
    FreeLibrary(api.library);
    api = {};
    return {SocketStartup::kStartFailed, kLibrary};
  }
  return {SocketStartup::kStarted, kLibrary};
}

void StopSocketLibrary() {
  api.WSACancelBlockingCall();
  api.WSACleanup();
  FreeLibrary(api.library);
  api = {};
}

SocketCall OpenStreamSocket() {
  const SOCKET socket = api.socket(AF_INET, SOCK_STREAM, 0);
  if (socket == kInvalidSocket) return Failure();
  // Not handed to child processes, as the Linux layer's sockets are not.
  SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
  return {static_cast<long>(socket), 0};
}

SocketCall BindSocket(NativeSocket socket, const std::string& address) {
  const std::optional<sockaddr_in> local = ToSocketAddress(address, 0);
  if (!local) return {-1, kWsaInvalidArgument};
  if (api.bind(Native(socket), reinterpret_cast<const sockaddr*>(&*local), sizeof *local) != 0) {
    return Failure();
  }
  return {};
}

SocketCall BeginConnect(NativeSocket socket, const std::string& address, std::uint16_t port) {
  const std::optional<sockaddr_in> peer = ToSocketAddress(address, port);
  if (!peer) return {-1, kWsaInvalidArgument};
  if (!SetNonBlocking(socket, true)) return Failure();
  if (api.connect(Native(socket), reinterpret_cast<const sockaddr*>(&*peer), sizeof *peer) == 0) {
    return EndConnect(socket, {});
  }
  if (api.WSAGetLastError() == kWsaWouldBlock) return {-1, kWsaWouldBlock};
  return EndConnect(socket, Failure());
}

SocketCall AwaitConnect(NativeSocket socket, int timeout_ms) {
  // A refused handshake shows in the exception set, which the wait for writing watches too.
  const WaitOutcome outcome = Select(socket, true, timeout_ms);
  if (outcome == WaitOutcome::kTimedOut) return {-1, kWsaTimedOut};
  if (outcome == WaitOutcome::kFailed) return EndConnect(socket, Failure());
  int pending = 0;
  int length = sizeof pending;
  api.getsockopt(Native(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&pending), &length);
  return EndConnect(socket, pending != 0 ? SocketCall{-1, pending} : SocketCall{});
}

Endpoint LocalEndpoint(NativeSocket socket) {
  return ReadEndpoint(socket, api.getsockname);
}

Endpoint PeerEndpoint(NativeSocket socket) {
  return ReadEndpoint(socket, api.getpeername);
}

WaitOutcome WaitReadable(NativeSocket socket, int timeout_ms) {
  return Select(socket, false, timeout_ms);
}

SocketCall ReceiveBytes(NativeSocket socket, char* data, std::size_t size) {
  const int received = api.recv(Native(socket), data, static_cast<int>(size), 0);
  if (received == SOCKET_ERROR) return Failure();
  return {received, 0};
}

SocketCall SendBytes(NativeSocket socket, const char* data, std::size_t size, int timeout_ms) {
  // Windows raises no signal for a closed peer; the send only must not outlast the limit, so
  // it runs without blocking once select has found room.
  for (;;) {
    const WaitOutcome outcome = Select(socket, true, timeout_ms);
    if (outcome == WaitOutcome::kTimedOut) return {-1, kWsaTimedOut};
    if (outcome == WaitOutcome::kFailed) return Failure();
    if (!SetNonBlocking(socket, true)) return Failure();
    const int sent = api.send(Native(socket), data, static_cast<int>(size), 0);
    const SocketCall result = sent == SOCKET_ERROR ? Failure() : SocketCall{sent, 0};
    if (!SetNonBlocking(socket, false) && !result.Failed()) return Failure();
    if (result.error != kWsaWouldBlock) return result;
  }
}

void ShutdownAndClose(NativeSocket socket) {
  api.shutdown(Native(socket), 1);  // SD_SEND
  api.closesocket(Native(socket));
}

HostLookup LookUpIPv4(const std::string& name) {
  const hostent* found = api.gethostbyname(name.c_str());
  if (found == nullptr) return {{}, api.WSAGetLastError()};
  if (found->h_addrtype != AF_INET || found->h_addr_list[0] == nullptr) return {{}, kWsaNoData};
  in_addr address{};
  std::memcpy(&address, found->h_addr_list[0], sizeof address);
  return {DottedText(address), 0};
}

}  // namespace korvalesen::platform
