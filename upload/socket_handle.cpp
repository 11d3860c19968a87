#include "upload/socket_handle.h"

#include <utility>

#include "platform/socket_error_codes.h"
#include "upload/id_errors.h"

namespace korvalesen {

void TIdSocketHandle::Allocate() {
  Close();
  const platform::SocketCall opened = platform::OpenStreamSocket();
  if (opened.Failed()) throw EIdInvalidSocket();
  socket_ = static_cast<platform::NativeSocket>(opened.value);
}

void TIdSocketHandle::Bind(const std::string& address) {
  const platform::SocketCall bound = platform::BindSocket(*socket_, address);
  if (bound.error == platform::kWsaAddressInUse) throw EIdCouldNotBindSocket();
  if (bound.Failed()) throw EIdSocketError(bound.error);
  local_ = platform::LocalEndpoint(*socket_);
}

void TIdSocketHandle::Connect(int timeout_ms) {
  const platform::SocketCall connected =
      platform::ConnectSocket(*socket_, peer_.address, peer_.port, timeout_ms);
  if (connected.Failed()) throw EIdSocketError(connected.error);
  local_ = platform::LocalEndpoint(*socket_);
  peer_ = platform::PeerEndpoint(*socket_);
}

platform::WaitOutcome TIdSocketHandle::WaitReadable(int timeout_ms) const {
  if (!socket_) throw EIdConnClosedGracefully();
  return platform::WaitReadable(*socket_, timeout_ms);
}

platform::SocketCall TIdSocketHandle::Receive(char* data, std::size_t size) const {
  return platform::ReceiveBytes(*socket_, data, size);
}

platform::SocketCall TIdSocketHandle::Send(const char* data, std::size_t size,
                                           int timeout_ms) const {
  return platform::SendBytes(*socket_, data, size, timeout_ms);
}

void TIdSocketHandle::Close() {
  if (!socket_) return;
  platform::ShutdownAndClose(*socket_);
  socket_.reset();
}

void TIdSocketHandle::Reset(bool reset_local) {
  peer_ = {};
  if (reset_local) local_ = {};
}

void TIdSocketHandle::SetPeer(std::string address, std::uint16_t port) {
  peer_ = {std::move(address), port};
}

}  // namespace korvalesen
