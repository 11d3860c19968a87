#include "sim/virtual_serial_line.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <limits>
#include <optional>
#include <thread>
#include <utility>

#include "platform/comm_queues.h"
#include "platform/line_settings_check.h"

namespace korvalesen::sim {

using platform::CommTimeouts;
using platform::LineSettings;
using platform::SysError;
using Clock = std::chrono::steady_clock;

namespace {

// Paced bytes towards the port that fall due within this time arrive together, as in a small
// packet of the adapter: four bytes at 9600 bit/s, so the line wakes a few hundred times a
// second instead of once a byte; at slow rates still byte by byte.
constexpr auto kInboundPacketTime = std::chrono::milliseconds(4);
// Changes of DTR kept for the far end; older ones are dropped.
constexpr std::size_t kKeptDtrChanges = 256;

// The queues of one opening of the near end.
struct Session {
  platform::ReceiveQueue rx{4096};
  platform::WriteChannel tx;
  platform::EventSource events;
};

}  // namespace

struct VirtualSerialLine::State {
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  std::shared_ptr<Session> session;
  bool open = false;
  int open_count = 0;
  std::optional<SysError> gone;
  bool pacing = false;
  bool takes_output = true;
  bool cts = false, dsr = false, ring = false, rlsd = false;
  bool dtr = false, rts = false, brk = false;
  LineSettings settings;
  CommTimeouts timeouts;
  std::uint32_t output_size = 2048;
  std::deque<char> inbound;  // sent by the far end, not yet arrived (pacing)
  std::string received;
  Clock::time_point received_arrived;  // when the first byte of `received` arrived
  std::size_t received_total = 0;
  Clock::time_point in_next, out_next;
  Clock::time_point in_delivered;  // when the last paced bytes arrived at the port
  bool stop = false;
  std::thread worker;
  std::uint64_t far_events = 0;  // changes the far end sees: DTR, RTS, bytes taken
  bool open_pulse = true;
  std::vector<DtrChange> dtr_changes;
  Clock::duration latency{0};
  const Clock::time_point latency_epoch = Clock::now();
  std::string held;  // arrived at the adapter, waiting for its latency timer
  Clock::time_point held_due;
  std::uint32_t errors_at_next_count = 0;

  void SetDtrLocked(bool on) {
    if (dtr == on) return;
    dtr = on;
    if (dtr_changes.size() >= kKeptDtrChanges) dtr_changes.erase(dtr_changes.begin());
    dtr_changes.push_back({Clock::now(), on});
  }

  void FarEventLocked() {
    ++far_events;
    changed.notify_all();
  }

  Clock::duration ByteTime() const {
    const auto rate = std::max<std::uint32_t>(settings.baud_rate, 1);
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(10.0 / rate));
  }

  void DeliverLocked(const char* data, std::size_t n) {
    if (!open || gone || n == 0) return;
    const auto pushed = session->rx.Push(data, n, settings.event_char, settings.discard_null);
    session->events.Raise(pushed.events);
  }

  // Bytes at the adapter: passed on, or held until the next tick of the latency timer.
  void ArriveLocked(const char* data, std::size_t n) {
    if (latency.count() == 0) {
      DeliverLocked(data, n);
      return;
    }
    if (n == 0) return;
    if (held.empty()) {
      const auto ticks = (Clock::now() - latency_epoch) / latency + 1;
      held_due = latency_epoch + ticks * latency;
      changed.notify_all();
    }
    held.append(data, n);
  }

  void ReleaseHeldLocked() {
    const std::string bytes = std::exchange(held, {});
    DeliverLocked(bytes.data(), bytes.size());
  }

  // Bytes the port wrote and the far end has not taken yet.
  bool OutputPendingLocked() const { return session && session->tx.Pending() > 0; }

  // The far end takes up to `n` of the bytes the port wrote.
  void TakeLocked(std::size_t n) {
    if (session) {
      const std::size_t taken = session->tx.Deliver([&](std::string_view bytes) {
        const std::size_t k = std::min(n, bytes.size());
        if (received.empty()) received_arrived = Clock::now();
        received.append(bytes.substr(0, k));
        n -= k;
        return k;
      });
      received_total += taken;
      if (taken > 0 && session->tx.Pending() == 0 && open && !gone) {
        session->events.Raise(platform::kEvTxEmpty);
      }
    }
    FarEventLocked();
  }

  void Work() {
    std::unique_lock lock(mutex);
    while (!stop) {
      const auto now = Clock::now();
      std::optional<Clock::time_point> next;
      if (pacing) {
        std::string due;
        while (!inbound.empty() && in_next <= now) {
          due += inbound.front();
          inbound.pop_front();
          in_next += ByteTime();
        }
        if (!due.empty()) {
          ArriveLocked(due.data(), due.size());
          in_delivered = now;
        }
        if (!inbound.empty()) next = std::max(in_next, in_delivered + kInboundPacketTime);
        while (takes_output && OutputPendingLocked() && out_next <= now) {
          TakeLocked(1);
          out_next += ByteTime();
        }
        if (takes_output && OutputPendingLocked() && (!next || out_next < *next)) next = out_next;
      }
      if (!held.empty()) {
        if (held_due <= now) {
          ReleaseHeldLocked();
        } else if (!next || held_due < *next) {
          next = held_due;
        }
      }
      if (next) {
        changed.wait_until(lock, *next);
      } else {
        changed.wait(lock);
      }
    }
  }

  void CheckGoneLocked() const {
    if (gone) throw *gone;
  }

  void InjectLocked(std::uint32_t error_bits) {
    if (!open || gone) return;
    session->rx.AddErrors(error_bits);
    std::uint32_t events = 0;
    if ((error_bits & (platform::kErrFrame | platform::kErrOverrun | platform::kErrParity |
                       platform::kErrRxOver)) != 0) {
      events |= platform::kEvErr;
    }
    if ((error_bits & platform::kErrBreak) != 0) events |= platform::kEvBreak;
    session->events.Raise(events);
  }
};

namespace {

class VirtualDevice final : public platform::CommDevice {
 public:
  VirtualDevice(std::shared_ptr<VirtualSerialLine::State> state, std::shared_ptr<Session> session)
      : state_(std::move(state)), session_(std::move(session)) {}

  ~VirtualDevice() override {
    std::lock_guard lock(state_->mutex);
    state_->open = false;
    state_->SetDtrLocked(false);  // as a tty's close with HUPCL
    state_->rts = false;
    session_->tx.Discard();  // unsent output is lost with the close
    state_->FarEventLocked();
  }

  LineSettings GetSettings() override {
    std::lock_guard lock(state_->mutex);
    state_->CheckGoneLocked();
    return state_->settings;
  }

  void SetSettings(const LineSettings& s) override {
    std::lock_guard lock(state_->mutex);
    state_->CheckGoneLocked();
    if (const int e = platform::LineSettingsError(s)) throw SysError::FromErrno(e);
    state_->settings = s;
    if (s.dtr_control != platform::DtrControl::kHandshake) {
      state_->SetDtrLocked(s.dtr_control == platform::DtrControl::kEnable);
    }
    if (s.rts_control == platform::RtsControl::kDisable ||
        s.rts_control == platform::RtsControl::kEnable) {
      state_->rts = s.rts_control == platform::RtsControl::kEnable;
    }
    state_->FarEventLocked();
  }

  void SetQueueSizes(std::int32_t input, std::int32_t output) override {
    std::lock_guard lock(state_->mutex);
    state_->CheckGoneLocked();
    if (const int e = platform::QueueSizesError(input, output)) throw SysError::FromErrno(e);
    session_->rx.SetCapacity(static_cast<std::size_t>(input));
    state_->output_size = static_cast<std::uint32_t>(output);
  }

  platform::CommProperties GetProperties() override {
    std::lock_guard lock(state_->mutex);
    state_->CheckGoneLocked();
    // A null-modem pair with all modem lines that takes every rate.
    platform::CommProperties p = platform::SerialProperties(UINT32_MAX, true);
    p.max_rx_queue = static_cast<std::uint32_t>(platform::kMaxReceiveQueue);
    p.current_rx_queue = static_cast<std::uint32_t>(session_->rx.Capacity());
    p.current_tx_queue = state_->output_size;
    return p;
  }

  CommTimeouts GetTimeouts() override {
    std::lock_guard lock(state_->mutex);
    state_->CheckGoneLocked();
    return state_->timeouts;
  }

  void SetTimeouts(const CommTimeouts& timeouts) override {
    std::lock_guard lock(state_->mutex);
    state_->CheckGoneLocked();
    state_->timeouts = timeouts;
  }

  void Purge(unsigned flags) override {
    std::lock_guard lock(state_->mutex);
    state_->CheckGoneLocked();
    if ((flags & platform::kPurgeRxAbort) != 0) session_->rx.AbortRead();
    if ((flags & platform::kPurgeRxClear) != 0) session_->rx.Clear();
    if ((flags & (platform::kPurgeTxAbort | platform::kPurgeTxClear)) != 0) {
      session_->tx.Discard();
    }
  }

  void Flush() override {
    {
      std::lock_guard lock(state_->mutex);
      state_->CheckGoneLocked();
    }
    session_->tx.WaitEmpty();
  }

  void EscapeFunction(platform::Escape function) override {
    std::lock_guard lock(state_->mutex);
    state_->CheckGoneLocked();
    using platform::Escape;
    switch (function) {
      case Escape::kSetRts:
        state_->rts = true;
        break;
      case Escape::kClearRts:
        state_->rts = false;
        break;
      case Escape::kSetDtr:
        state_->SetDtrLocked(true);
        break;
      case Escape::kClearDtr:
        state_->SetDtrLocked(false);
        break;
      case Escape::kSetBreak:
        state_->brk = true;
        break;
      case Escape::kClearBreak:
        state_->brk = false;
        break;
      case Escape::kSetXoff:
      case Escape::kSetXon:
      case Escape::kResetDevice:
        break;
    }
    state_->FarEventLocked();
  }

  void TransmitChar(char c) override {
    std::lock_guard lock(state_->mutex);
    state_->CheckGoneLocked();
    if (state_->received.empty()) state_->received_arrived = Clock::now();
    state_->received.push_back(c);
    ++state_->received_total;
    state_->FarEventLocked();
  }

  std::uint32_t GetModemStatus() override {
    std::lock_guard lock(state_->mutex);
    state_->CheckGoneLocked();
    std::uint32_t bits = 0;
    if (state_->cts) bits |= platform::kModemCts;
    if (state_->dsr) bits |= platform::kModemDsr;
    if (state_->ring) bits |= platform::kModemRing;
    if (state_->rlsd) bits |= platform::kModemRlsd;
    return bits;
  }

  platform::CommStatus ClearErrors() override {
    std::lock_guard lock(state_->mutex);
    state_->CheckGoneLocked();
    const platform::CommStatus status{session_->rx.TakeErrors(),
                                      static_cast<std::uint32_t>(session_->rx.Size()),
                                      static_cast<std::uint32_t>(session_->tx.Pending())};
    if (state_->errors_at_next_count != 0 && status.in_queue > 0) {
      state_->InjectLocked(std::exchange(state_->errors_at_next_count, 0));
    }
    return status;
  }

  void StartRead(void* buffer, std::size_t length) override {
    CommTimeouts timeouts;
    {
      std::lock_guard lock(state_->mutex);
      state_->CheckGoneLocked();
      timeouts = state_->timeouts;
    }
    session_->rx.StartRead(buffer, length, timeouts);
  }
  bool ReadDone() override { return session_->rx.ReadDone(); }
  std::size_t WaitRead() override { return session_->rx.WaitRead(); }

  void StartWrite(const void* buffer, std::size_t length) override {
    std::lock_guard lock(state_->mutex);
    state_->CheckGoneLocked();
    session_->tx.Start(buffer, length, state_->timeouts);
    if (!state_->takes_output) return;
    if (state_->pacing) {
      state_->out_next = Clock::now() + state_->ByteTime();
      state_->changed.notify_all();
    } else {
      state_->TakeLocked(length);
    }
  }

  bool WriteDone() override {
    return session_->tx.Progress() != platform::WriteChannel::State::kPending;
  }

  // Not under the line's lock: the far end takes the bytes under it.
  std::size_t WaitWrite() override { return session_->tx.Wait().moved; }

  void SetEventMask(std::uint32_t mask) override {
    {
      std::lock_guard lock(state_->mutex);
      state_->CheckGoneLocked();
    }
    session_->events.SetMask(mask);
  }

  std::uint32_t WaitEvent() override { return session_->events.Wait(); }

 private:
  std::shared_ptr<VirtualSerialLine::State> state_;
  std::shared_ptr<Session> session_;
};

}  // namespace

VirtualSerialLine::VirtualSerialLine(std::string name)
    : name_(std::move(name)), state_(std::make_shared<State>()) {
  state_->worker = std::thread([state = state_.get()] { state->Work(); });
}

VirtualSerialLine::~VirtualSerialLine() {
  {
    std::lock_guard lock(state_->mutex);
    state_->stop = true;
    state_->changed.notify_all();
  }
  state_->worker.join();
}

std::unique_ptr<platform::CommDevice> VirtualSerialLine::Open(
    const platform::OpenOptions& options) {
  std::lock_guard lock(state_->mutex);
  if (state_->gone) throw SysError::FromErrno(ENOENT);
  if (state_->open) throw SysError::FromErrno(EBUSY);
  state_->open = true;
  ++state_->open_count;
  if (state_->open_pulse) {
    // The kernel's open raises both lines; the port's open drops them a moment later.
    state_->SetDtrLocked(true);
    state_->rts = true;
  }
  state_->SetDtrLocked(options.dtr);
  state_->rts = options.rts;
  state_->session = std::make_shared<Session>();
  state_->FarEventLocked();
  return std::make_unique<VirtualDevice>(state_, state_->session);
}

void VirtualSerialLine::Send(std::string_view bytes) {
  std::lock_guard lock(state_->mutex);
  if (!state_->pacing) {
    state_->ArriveLocked(bytes.data(), bytes.size());
    return;
  }
  if (state_->inbound.empty()) state_->in_next = Clock::now() + state_->ByteTime();
  state_->inbound.insert(state_->inbound.end(), bytes.begin(), bytes.end());
  state_->changed.notify_all();
}

std::size_t VirtualSerialLine::SendPending() const {
  std::lock_guard lock(state_->mutex);
  return state_->inbound.size() + state_->held.size();
}

std::size_t VirtualSerialLine::ReceiveRoom() const {
  std::lock_guard lock(state_->mutex);
  if (!state_->open || state_->gone) return std::numeric_limits<std::size_t>::max();
  const std::size_t free = state_->session->rx.Free();
  return free > state_->held.size() ? free - state_->held.size() : 0;
}

std::string VirtualSerialLine::TakeReceived() {
  return TakeReceivedWithArrival().bytes;
}

VirtualSerialLine::ReceivedBytes VirtualSerialLine::TakeReceivedWithArrival() {
  std::lock_guard lock(state_->mutex);
  return {std::exchange(state_->received, {}), state_->received_arrived};
}

bool VirtualSerialLine::WaitReceived(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(state_->mutex);
  return state_->changed.wait_for(lock, timeout, [&] { return state_->received.size() >= count; });
}

std::uint64_t VirtualSerialLine::FarEndEvents() const {
  std::lock_guard lock(state_->mutex);
  return state_->far_events;
}

void VirtualSerialLine::WaitFarEnd(std::uint64_t seen,
                                   std::chrono::steady_clock::time_point until) const {
  std::unique_lock lock(state_->mutex);
  state_->changed.wait_until(lock, until, [&] { return state_->far_events != seen; });
}

void VirtualSerialLine::SetPacing(bool on) {
  std::lock_guard lock(state_->mutex);
  state_->pacing = on;
  state_->in_next = state_->out_next = Clock::now();
  if (!on) {
    const std::string pending(state_->inbound.begin(), state_->inbound.end());
    state_->inbound.clear();
    state_->ArriveLocked(pending.data(), pending.size());
    if (state_->takes_output) state_->TakeLocked(std::numeric_limits<std::size_t>::max());
  }
  state_->changed.notify_all();
}

void VirtualSerialLine::SetLatency(std::chrono::milliseconds latency) {
  std::lock_guard lock(state_->mutex);
  state_->latency = latency;
  if (latency.count() == 0) state_->ReleaseHeldLocked();
  state_->changed.notify_all();
}

void VirtualSerialLine::SetOpenPulse(bool on) {
  std::lock_guard lock(state_->mutex);
  state_->open_pulse = on;
}

void VirtualSerialLine::SetTakesOutput(bool on) {
  std::lock_guard lock(state_->mutex);
  state_->takes_output = on;
  state_->out_next = Clock::now();
  if (on && !state_->pacing) state_->TakeLocked(std::numeric_limits<std::size_t>::max());
  state_->changed.notify_all();
}

namespace {

void SetLine(VirtualSerialLine::State& state, bool& line, bool on, std::uint32_t event) {
  std::lock_guard lock(state.mutex);
  if (line == on) return;
  line = on;
  if (state.open && !state.gone) state.session->events.Raise(event);
}

}  // namespace

void VirtualSerialLine::SetCts(bool on) {
  SetLine(*state_, state_->cts, on, platform::kEvCts);
}
void VirtualSerialLine::SetDsr(bool on) {
  SetLine(*state_, state_->dsr, on, platform::kEvDsr);
}
void VirtualSerialLine::SetRing(bool on) {
  SetLine(*state_, state_->ring, on, platform::kEvRing);
}
void VirtualSerialLine::SetRlsd(bool on) {
  SetLine(*state_, state_->rlsd, on, platform::kEvRlsd);
}

bool VirtualSerialLine::Dtr() const {
  std::lock_guard lock(state_->mutex);
  return state_->dtr;
}
std::vector<VirtualSerialLine::DtrChange> VirtualSerialLine::TakeDtrChanges() {
  std::lock_guard lock(state_->mutex);
  return std::exchange(state_->dtr_changes, {});
}

bool VirtualSerialLine::Rts() const {
  std::lock_guard lock(state_->mutex);
  return state_->rts;
}
bool VirtualSerialLine::BreakSent() const {
  std::lock_guard lock(state_->mutex);
  return state_->brk;
}

void VirtualSerialLine::InjectLineErrors(std::uint32_t error_bits) {
  std::lock_guard lock(state_->mutex);
  state_->InjectLocked(error_bits);
}

void VirtualSerialLine::InjectLineErrorsAtNextCount(std::uint32_t error_bits) {
  std::lock_guard lock(state_->mutex);
  state_->errors_at_next_count |= error_bits;
}

void VirtualSerialLine::InjectBreak() {
  InjectLineErrors(platform::kErrBreak);
}

void VirtualSerialLine::Unplug() {
  std::lock_guard lock(state_->mutex);
  if (state_->gone) return;
  state_->gone = SysError::FromErrno(platform::kDeviceGoneCode);
  if (state_->session) {
    state_->session->rx.SetGone(*state_->gone);
    state_->session->tx.SetGone(*state_->gone);
    state_->session->events.SetGone(*state_->gone);
  }
  state_->changed.notify_all();
}

bool VirtualSerialLine::IsOpen() const {
  std::lock_guard lock(state_->mutex);
  return state_->open;
}

int VirtualSerialLine::OpenCount() const {
  std::lock_guard lock(state_->mutex);
  return state_->open_count;
}

platform::LineSettings VirtualSerialLine::Settings() const {
  std::lock_guard lock(state_->mutex);
  return state_->settings;
}

std::uint32_t VirtualSerialLine::EventMask() const {
  std::lock_guard lock(state_->mutex);
  return state_->session ? state_->session->events.Mask() : 0;
}

void VirtualDevices::Add(VirtualSerialLine& line) {
  std::lock_guard lock(mutex_);
  lines_[line.Name()] = &line;
}

std::unique_ptr<platform::CommDevice> VirtualDevices::Open(const std::string& name,
                                                           const platform::OpenOptions& options) {
  VirtualSerialLine* line = nullptr;
  {
    std::lock_guard lock(mutex_);
    const auto it = lines_.find(name);
    if (it == lines_.end()) throw SysError::FromErrno(ENOENT);
    line = it->second;
  }
  return line->Open(options);
}

}  // namespace korvalesen::sim
