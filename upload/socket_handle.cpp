#include "upload/socket_handle.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "common/pumping_sleeper.h"
#include "platform/socket_error_codes.h"
#include "upload/id_errors.h"

namespace korvalesen {

namespace {

// Repeats the wait `attempt` with slices of the time limit (negative: none) and calls the pump
// before each of them, until the wait ends in something else than a time-out or the limit is
// used up. The pump comes also before a wait that a prompt peer ends at once: an exchange of
// many quick replies in a row (the upload's log-in, folders, files and sizes) would otherwise
// process no message from its first command to its last. Without a pump it is one wait of the
// whole limit.
template <class Attempt, class TimedOut>
auto InSlices(int timeout_ms, const TIdSocketHandle::WaitPump& pump, Attempt attempt,
              TimedOut timed_out) {
  if (!pump) return attempt(timeout_ms);
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const int slice_ms = static_cast<int>(kMessagePumpInterval.count());
  for (;;) {
    pump();
    int wait_ms = slice_ms;
    if (timeout_ms >= 0) {
      const auto spent =
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
      wait_ms = static_cast<int>(std::clamp<long long>(timeout_ms - spent, 0, slice_ms));
    }
    auto result = attempt(wait_ms);
    if (!timed_out(result) || (timeout_ms >= 0 && wait_ms < slice_ms)) return result;
  }
}

bool SocketCallTimedOut(const platform::SocketCall& call) {
  return call.error == platform::kWsaTimedOut;
}

}  // namespace

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

void TIdSocketHandle::Connect(int timeout_ms, const WaitPump& pump) {
  platform::SocketCall connected = platform::BeginConnect(*socket_, peer_.address, peer_.port);
  if (connected.error == platform::kWsaWouldBlock) {
    connected = InSlices(
        timeout_ms, pump, [this](int ms) { return platform::AwaitConnect(*socket_, ms); },
        SocketCallTimedOut);
  }
  if (connected.Failed()) throw EIdSocketError(connected.error);
  local_ = platform::LocalEndpoint(*socket_);
  peer_ = platform::PeerEndpoint(*socket_);
}

platform::WaitOutcome TIdSocketHandle::WaitReadable(int timeout_ms, const WaitPump& pump) const {
  if (!socket_) throw EIdConnClosedGracefully();
  return InSlices(
      timeout_ms, pump, [this](int ms) { return platform::WaitReadable(*socket_, ms); },
      [](platform::WaitOutcome outcome) { return outcome == platform::WaitOutcome::kTimedOut; });
}

platform::SocketCall TIdSocketHandle::Receive(char* data, std::size_t size) const {
  return platform::ReceiveBytes(*socket_, data, size);
}

platform::SocketCall TIdSocketHandle::Send(const char* data, std::size_t size, int timeout_ms,
                                           const WaitPump& pump) const {
  return InSlices(
      timeout_ms, pump,
      [this, data, size](int ms) { return platform::SendBytes(*socket_, data, size, ms); },
      SocketCallTimedOut);
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
