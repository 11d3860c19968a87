#pragma once

// One socket of the system and its two end points; the owner of the socket. Its waits (for the
// connection, for input, for room to send) run in slices of at most kMessagePumpInterval when
// given a pump, which is called between the slices; an exception of the pump ends the wait and
// leaves it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/socket_api.h"

namespace korvalesen {

class TIdSocketHandle {
 public:
  using WaitPump = std::function<void()>;

  TIdSocketHandle() = default;
  TIdSocketHandle(const TIdSocketHandle&) = delete;
  TIdSocketHandle& operator=(const TIdSocketHandle&) = delete;
  ~TIdSocketHandle() { Close(); }

  bool Allocated() const { return socket_.has_value(); }
  // Closes any old socket, then creates an IPv4 stream socket; EIdInvalidSocket on failure.
  void Allocate();
  // Binds to the address (empty: any) and port 0 and records the local end point; 10048 raises
  // EIdCouldNotBindSocket, other failures EIdSocketError.
  void Bind(const std::string& address);
  // Connects to the peer end point set before; EIdSocketError on failure, 10060 after the
  // limit. Records both end points.
  void Connect(int timeout_ms, const WaitPump& pump = {});
  // Whether the socket became readable within the time-out (negative: no limit); a failing wait
  // counts as not readable. Without a socket: EIdConnClosedGracefully.
  platform::WaitOutcome WaitReadable(int timeout_ms, const WaitPump& pump = {}) const;
  platform::SocketCall Receive(char* data, std::size_t size) const;
  platform::SocketCall Send(const char* data, std::size_t size, int timeout_ms,
                            const WaitPump& pump = {}) const;
  // Shuts the sending direction down and closes the socket; nothing without one.
  void Close();
  // Forgets the peer end point, and the local one too when asked.
  void Reset(bool reset_local);

  void SetPeer(std::string address, std::uint16_t port);
  const std::string& PeerAddress() const { return peer_.address; }
  std::uint16_t PeerPort() const { return peer_.port; }
  const std::string& LocalAddress() const { return local_.address; }
  std::uint16_t LocalPort() const { return local_.port; }

 private:
  std::optional<platform::NativeSocket> socket_;
  platform::Endpoint local_;
  platform::Endpoint peer_;
};

}  // namespace korvalesen
