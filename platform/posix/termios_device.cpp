// The comm device on termios and the tty ioctls.
//
// One reader thread per open device (the pump) moves received bytes at once from the kernel
// into the component's own receive queue (ReceiveQueue, the size of SetQueueSizes), so that
// nothing is lost while the user-interface thread does not read: the kernel's tty buffer is
// only 4 KiB and throttles or drops beyond it. The pump also hands the kernel the rest of a
// write (WriteChannel) that it did not take at once, and samples the TIOCGICOUNT counters
// every 10 ms while the event mask asks for modem or line-error events; the counters count
// every edge, so none is missed between two samples. Some drivers do not count modem lines (8250
// with CLOCAL, cp210x), so the lines themselves (TIOCMGET) are compared as well, by the pump
// alone, at most once a sampling period and outside the device's lock: on a USB adapter each
// TIOCMGET is a control transfer to the chip, while the counters are the driver's own, so the
// error check of every count and read (ClearErrors) stays local, as on Windows. The event
// waiter sleeps on a condition variable that a change of the event mask wakes at once.
// TIOCMIWAIT is not used: it cannot be woken by a stop.

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/comm_device.h"
#include "platform/comm_queues.h"
#include "platform/line_settings_check.h"
#include "platform/posix/errno_error.h"
#include "platform/posix/exclusive_open.h"
#include "platform/posix/held_port.h"
#include "platform/posix/termios_line.h"
#include "platform/posix/tty_driver.h"
#include "platform/posix/unique_fd.h"
#include "platform/wakeup.h"

namespace korvalesen::platform {
namespace {

constexpr int kSampleMilliseconds = 10;
constexpr std::chrono::milliseconds kSamplePeriod{kSampleMilliseconds};
// Events of the modem lines.
constexpr std::uint32_t kLineEvents = kEvCts | kEvDsr | kEvRlsd | kEvRing;
// Events that only the counters or the modem status show.
constexpr std::uint32_t kSampledEvents =
    kEvCts | kEvDsr | kEvRlsd | kEvRing | kEvBreak | kEvErr | kEvTxEmpty;

// A device without modem lines (a pty) answers the modem ioctls with one of these.
bool NoModemLines(int code) {
  return code == ENOTTY || code == EINVAL;
}

class TermiosDevice final : public CommDevice {
 public:
  TermiosDevice(UniqueFd fd, std::unique_ptr<Wakeup> wake, const OpenOptions& options)
      : fd_(std::move(fd)), wake_(std::move(wake)) {
    kept_.dtr_control = options.dtr ? DtrControl::kEnable : DtrControl::kDisable;
    kept_.rts_control = options.rts ? RtsControl::kEnable : RtsControl::kDisable;
    // A UART's base rate (its clock over 16) is the highest rate it can send; a device without
    // one (a pty, some USB drivers) sets no limit.
    if (const auto base = BaseRate(fd_.Get())) highest_rate_ = *base;
    // The baseline of the lines and counters, after all the open has done to the line.
    int lines = 0;
    has_modem_ = ioctl(fd_.Get(), TIOCMGET, &lines) == 0;
    last_lines_ = lines;
    const auto counters = ReadLineCounters(fd_.Get());
    has_counters_ = counters.has_value();
    if (has_counters_) last_counters_ = *counters;
    pump_ = std::thread([this] { Pump(); });
  }

  ~TermiosDevice() override {
    stop_.store(true);
    Wake();
    pump_.join();
    // Unsent output is discarded, as by the close of a Windows comm handle; otherwise the
    // close waits for it to drain (up to the tty's closing wait of 30 s on a wedged adapter).
    tx_.Discard();
    tcflush(fd_.Get(), TCOFLUSH);
    KeepRateZero(fd_.Get());
  }

  LineSettings GetSettings() override {
    std::lock_guard lock(mutex_);
    CheckGoneLocked();
    termios t{};
    CheckCall(tcgetattr(fd_.Get(), &t));
    LineSettings s = ReadLineSettings(t, kept_);
    if (const int e = GetLineRate(fd_.Get(), s.baud_rate)) ThrowErrno(e);
    return s;
  }

  void SetSettings(const LineSettings& s) override {
    std::lock_guard lock(mutex_);
    CheckGoneLocked();
    if (const int e = LineSettingsError(s)) ThrowErrno(e);
    termios t{};
    CheckCall(tcgetattr(fd_.Get(), &t));
    ApplyLineSettings(s, t);
    CheckCall(tcsetattr(fd_.Get(), TCSANOW, &t));
    termios back{};
    CheckCall(tcgetattr(fd_.Get(), &back));
    if (!KeptLineSettings(t, back)) ThrowErrno(EINVAL);
    if (const int e = SetLineRate(fd_.Get(), s.baud_rate)) ThrowErrno(e);
    if (s.dtr_control != DtrControl::kHandshake) {
      SetLineLocked(TIOCM_DTR, s.dtr_control == DtrControl::kEnable, false);
    }
    if (s.rts_control == RtsControl::kDisable || s.rts_control == RtsControl::kEnable) {
      SetLineLocked(TIOCM_RTS, s.rts_control == RtsControl::kEnable, false);
    }
    kept_ = s;
  }

  void SetQueueSizes(std::int32_t input, std::int32_t output) override {
    CheckGone();
    if (const int e = QueueSizesError(input, output)) ThrowErrno(e);
    rx_.SetCapacity(static_cast<std::size_t>(input));
    std::lock_guard lock(mutex_);
    output_size_ = static_cast<std::uint32_t>(output);
  }

  CommProperties GetProperties() override {
    CheckGone();
    std::lock_guard lock(mutex_);
    CommProperties p = SerialProperties(highest_rate_, has_modem_);
    if (!formats_) {
      formats_ = ProbeLineFormats(fd_.Get());
      // The tries may have counted errors of bytes in another format.
      BaselineErrorsLocked();
    }
    p.settable_data = formats_->data;
    p.settable_stop_parity = formats_->stop_parity;
    p.max_rx_queue = static_cast<std::uint32_t>(kMaxReceiveQueue);
    p.current_rx_queue = static_cast<std::uint32_t>(rx_.Capacity());
    p.current_tx_queue = output_size_;
    return p;
  }

  CommTimeouts GetTimeouts() override {
    std::lock_guard lock(mutex_);
    CheckGoneLocked();
    return timeouts_;
  }

  void SetTimeouts(const CommTimeouts& timeouts) override {
    std::lock_guard lock(mutex_);
    CheckGoneLocked();
    timeouts_ = timeouts;
  }

  void Purge(unsigned flags) override {
    CheckGone();
    if ((flags & kPurgeRxAbort) != 0) rx_.AbortRead();
    if ((flags & kPurgeRxClear) != 0) {
      // Not between the pump's read and its push, which would bring back what it had read.
      std::lock_guard input(input_mutex_);
      CheckCall(tcflush(fd_.Get(), TCIFLUSH));
      rx_.Clear();
    }
    if ((flags & (kPurgeTxAbort | kPurgeTxClear)) != 0) {
      // Not between the pump's write and its count (it writes under this lock).
      std::lock_guard lock(mutex_);
      if ((flags & kPurgeTxClear) != 0) CheckCall(tcflush(fd_.Get(), TCOFLUSH));
      tx_.Discard();
    }
  }

  void Flush() override {
    tx_.WaitEmpty();
    Drain();
  }

  void EscapeFunction(Escape function) override {
    std::lock_guard lock(mutex_);
    CheckGoneLocked();
    switch (function) {
      case Escape::kSetXoff:
        CheckCall(tcflow(fd_.Get(), TCOOFF));
        break;
      case Escape::kSetXon:
        CheckCall(tcflow(fd_.Get(), TCOON));
        break;
      case Escape::kSetRts:
        SetLineLocked(TIOCM_RTS, true, true);
        break;
      case Escape::kClearRts:
        SetLineLocked(TIOCM_RTS, false, true);
        break;
      case Escape::kSetDtr:
        SetLineLocked(TIOCM_DTR, true, true);
        break;
      case Escape::kClearDtr:
        SetLineLocked(TIOCM_DTR, false, true);
        break;
      case Escape::kResetDevice:
        break;  // a tty has no reset; accepted as a no-op
      case Escape::kSetBreak:
        CheckCall(ioctl(fd_.Get(), TIOCSBRK));
        break;
      case Escape::kClearBreak:
        CheckCall(ioctl(fd_.Get(), TIOCCBRK));
        break;
    }
  }

  void TransmitChar(char c) override {
    std::lock_guard lock(mutex_);
    CheckGoneLocked();
    const ssize_t n = write(fd_.Get(), &c, 1);
    if (n < 0) ThrowErrno(errno);
    if (n == 0) ThrowErrno(EAGAIN);
  }

  std::uint32_t GetModemStatus() override {
    std::lock_guard lock(mutex_);
    CheckGoneLocked();
    int lines = 0;
    CheckCall(ioctl(fd_.Get(), TIOCMGET, &lines));
    std::uint32_t bits = 0;
    if ((lines & TIOCM_CTS) != 0) bits |= kModemCts;
    if ((lines & TIOCM_DSR) != 0) bits |= kModemDsr;
    if ((lines & TIOCM_RI) != 0) bits |= kModemRing;
    if ((lines & TIOCM_CD) != 0) bits |= kModemRlsd;
    return bits;
  }

  CommStatus ClearErrors() override {
    std::lock_guard lock(mutex_);
    CheckGoneLocked();
    SampleLocked(std::nullopt);
    CommStatus status;
    status.errors = rx_.TakeErrors();
    status.in_queue = static_cast<std::uint32_t>(rx_.Size());
    int out = 0;
    if (ioctl(fd_.Get(), TIOCOUTQ, &out) != 0) out = 0;
    status.out_queue = static_cast<std::uint32_t>(tx_.Pending()) + static_cast<std::uint32_t>(out);
    return status;
  }

  void StartRead(void* buffer, std::size_t length) override {
    CommTimeouts timeouts;
    {
      std::lock_guard lock(mutex_);
      CheckGoneLocked();
      timeouts = timeouts_;
    }
    rx_.StartRead(buffer, length, timeouts);
  }
  bool ReadDone() override { return rx_.ReadDone(); }
  std::size_t WaitRead() override { return rx_.WaitRead(); }

  void StartWrite(const void* buffer, std::size_t length) override {
    std::lock_guard lock(mutex_);
    CheckGoneLocked();
    tx_.Start(buffer, length, timeouts_);
    if (const int e = PushOutLocked(); e != 0) ThrowErrno(e);
    if (tx_.Pending() > 0) Wake();
  }

  bool WriteDone() override {
    switch (tx_.Progress()) {
      case WriteChannel::State::kPending:
        return false;
      case WriteChannel::State::kTaken: {
        int out = 0;
        return ioctl(fd_.Get(), TIOCOUTQ, &out) != 0 || out <= 0;
      }
      case WriteChannel::State::kIdle:
      case WriteChannel::State::kEnded:
        break;
    }
    return true;
  }

  // Done when the kernel has sent what it took as well; a time-out counts what it still holds
  // as not written.
  std::size_t WaitWrite() override {
    const WriteChannel::End end = tx_.Wait();
    if (!end.complete) return end.moved;
    if (!end.deadline) {
      Drain();
      return end.moved;
    }
    for (;;) {
      int out = 0;
      if (ioctl(fd_.Get(), TIOCOUTQ, &out) != 0 || out <= 0) return end.moved;
      if (std::chrono::steady_clock::now() >= *end.deadline) {
        return end.moved - std::min<std::size_t>(end.moved, static_cast<std::size_t>(out));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  void SetEventMask(std::uint32_t mask) override {
    CheckGone();
    events_.SetMask(mask);
    Wake();
  }

  std::uint32_t WaitEvent() override { return events_.Wait(); }

 private:
  void CheckGone() {
    std::lock_guard lock(mutex_);
    CheckGoneLocked();
  }
  void CheckGoneLocked() const {
    if (gone_) throw *gone_;
  }

  void Wake() { wake_->Signal(); }

  void Drain() {
    while (tcdrain(fd_.Get()) != 0) {
      if (errno != EINTR) {
        if (errno == EIO) ThrowErrno(kDeviceGoneCode);
        ThrowErrno(errno);
      }
    }
  }

  // Raises or drops one modem line. `report` false: a device without modem lines is no error.
  void SetLineLocked(int line, bool on, bool report) {
    if (ioctl(fd_.Get(), on ? TIOCMBIS : TIOCMBIC, &line) == 0) return;
    const int e = errno;
    if (!report && NoModemLines(e)) return;
    ThrowErrno(e);
  }

  // Writes what the kernel takes now; 0 or the errno value of a real failure.
  int PushOutLocked() {
    int error = 0;
    const std::size_t taken = tx_.Deliver([&](std::string_view bytes) -> std::size_t {
      for (;;) {
        const ssize_t n = write(fd_.Get(), bytes.data(), bytes.size());
        if (n > 0) return static_cast<std::size_t>(n);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
        error = n < 0 ? errno : EIO;
        return 0;
      }
    });
    if (taken > 0) tx_busy_ = true;
    return error;
  }

  // The modem lines, when their events are asked for and a period has passed since the pump's
  // last sample (the pump's state, without the lock).
  std::optional<int> SampleLines(bool wanted) {
    const auto now = std::chrono::steady_clock::now();
    if (!wanted || !has_modem_ || now - lines_sampled_ < kSamplePeriod) return std::nullopt;
    lines_sampled_ = now;
    int lines = 0;
    if (ioctl(fd_.Get(), TIOCMGET, &lines) != 0) return std::nullopt;
    return lines;
  }

  // Takes the differences of the interrupt counters into the error bits and the event word,
  // and those of the lines when they were sampled.
  void SampleLocked(std::optional<int> lines) {
    std::uint32_t errors = 0;
    std::uint32_t events = 0;
    if (has_counters_) {
      if (const auto counters = ReadLineCounters(fd_.Get())) {
        const LineCounters& now = *counters;
        const LineCounters& was = last_counters_;
        if (now.cts != was.cts) events |= kEvCts;
        if (now.dsr != was.dsr) events |= kEvDsr;
        if (now.dcd != was.dcd) events |= kEvRlsd;
        if (now.rng != was.rng) events |= kEvRing;
        if (now.brk != was.brk) errors |= kErrBreak, events |= kEvBreak;
        if (now.frame != was.frame) errors |= kErrFrame;
        if (now.overrun != was.overrun) errors |= kErrOverrun;
        if (now.parity != was.parity) errors |= kErrParity;
        if (now.buf_overrun != was.buf_overrun) errors |= kErrRxOver;
        last_counters_ = now;
      }
    }
    if (lines) {
      // Also the lines themselves, for drivers that do not count them (a pulse shorter than
      // the sampling period can go unseen here).
      const int changed = *lines ^ last_lines_;
      if ((changed & TIOCM_CTS) != 0) events |= kEvCts;
      if ((changed & TIOCM_DSR) != 0) events |= kEvDsr;
      if ((changed & TIOCM_CD) != 0) events |= kEvRlsd;
      if ((changed & TIOCM_RI) != 0) events |= kEvRing;
      last_lines_ = *lines;
    }
    if ((errors & (kErrFrame | kErrOverrun | kErrParity | kErrRxOver)) != 0) events |= kEvErr;
    if (tx_busy_ && tx_.Pending() == 0) {
      int out = 0;
      if (ioctl(fd_.Get(), TIOCOUTQ, &out) != 0 || out == 0) {
        tx_busy_ = false;
        events |= kEvTxEmpty;
      }
    }
    if (errors != 0) rx_.AddErrors(errors);
    if (events != 0) events_.Raise(events);
  }

  // Error counts from now on are the line's; earlier ones are forgotten.
  void BaselineErrorsLocked() {
    if (!has_counters_) return;
    const auto counters = ReadLineCounters(fd_.Get());
    if (!counters) return;
    const LineCounters& now = *counters;
    last_counters_.frame = now.frame;
    last_counters_.overrun = now.overrun;
    last_counters_.parity = now.parity;
    last_counters_.brk = now.brk;
    last_counters_.buf_overrun = now.buf_overrun;
  }

  void SetGoneLocked(int code) {
    if (gone_) return;
    gone_ = SysError::FromErrno(code);
    rx_.SetGone(*gone_);
    tx_.SetGone(*gone_);
    events_.SetGone(*gone_);
  }

  void Pump() {
    std::vector<char> buffer(4096);
    while (!stop_.load()) {
      bool want_out = false;
      bool sampling = false;
      bool line_events = false;
      char event_char = 0;
      bool discard_null = false;
      {
        std::lock_guard lock(mutex_);
        if (gone_) return;
        want_out = tx_.Pending() > 0;
        sampling = (events_.Mask() & kSampledEvents) != 0 && (has_counters_ || has_modem_);
        line_events = (events_.Mask() & kLineEvents) != 0;
        if (tx_busy_ && (events_.Mask() & kEvTxEmpty) != 0) sampling = true;
        event_char = kept_.event_char;
        discard_null = kept_.discard_null;
      }
      const std::size_t room = std::min(buffer.size(), rx_.Free());
      std::array<pollfd, 2> fds{};
      fds[0].fd = fd_.Get();
      fds[0].events = static_cast<short>((room > 0 ? POLLIN : 0) | (want_out ? POLLOUT : 0));
      fds[1].fd = wake_->Descriptor();
      fds[1].events = POLLIN;
      const int timeout = (sampling || room == 0) ? kSampleMilliseconds : -1;
      const int ready = poll(fds.data(), fds.size(), timeout);
      if (ready < 0) {
        if (errno == EINTR) continue;
        std::lock_guard lock(mutex_);
        SetGoneLocked(kDeviceGoneCode);
        return;
      }
      if ((fds[1].revents & POLLIN) != 0) wake_->Drain();
      if (stop_.load()) return;
      if ((fds[0].revents & POLLIN) != 0 && room > 0) {
        std::unique_lock input(input_mutex_);
        const ssize_t n = read(fd_.Get(), buffer.data(), room);
        if (n > 0) {
          const auto pushed =
              rx_.Push(buffer.data(), static_cast<std::size_t>(n), event_char, discard_null);
          input.unlock();
          events_.Raise(pushed.events);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
          // A read that reports data but returns none, or fails: the device has gone.
          std::lock_guard lock(mutex_);
          SetGoneLocked(kDeviceGoneCode);
          return;
        }
      } else if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        std::lock_guard lock(mutex_);
        SetGoneLocked(kDeviceGoneCode);
        return;
      }
      // Not under the lock: on a USB adapter the lines are a round trip to the chip.
      const std::optional<int> lines = SampleLines(line_events);
      std::lock_guard lock(mutex_);
      if ((fds[0].revents & POLLOUT) != 0) {
        if (const int e = PushOutLocked(); e != 0) {
          SetGoneLocked(kDeviceGoneCode);
          return;
        }
      }
      SampleLocked(lines);
    }
  }

  UniqueFd fd_;
  std::unique_ptr<Wakeup> wake_;
  // Held by the pump from its read to its push, and by the purge of the input.
  std::mutex input_mutex_;
  ReceiveQueue rx_{4096};
  EventSource events_;
  // The pump writes to the kernel under `mutex_`, so a purge of the output excludes it.
  WriteChannel tx_;
  std::mutex mutex_;
  bool tx_busy_ = false;  // bytes went to the kernel since the last EV_TXEMPTY
  LineSettings kept_;
  CommTimeouts timeouts_;
  std::uint32_t output_size_ = 2048;
  bool has_counters_ = false;
  bool has_modem_ = false;
  std::uint32_t highest_rate_ = UINT32_MAX;
  std::optional<LineFormats> formats_;  // probed when first asked for
  LineCounters last_counters_;
  int last_lines_ = 0;
  std::chrono::steady_clock::time_point lines_sampled_{};  // the pump's alone
  std::optional<SysError> gone_;
  std::atomic<bool> stop_{false};
  std::thread pump_;
};

class TermiosProvider final : public CommDeviceProvider {
 public:
  std::unique_ptr<CommDevice> Open(const std::string& name, const OpenOptions& options) override {
    // The port search's test open of this device, taken over: one open a run. A new open
    // raises DTR and RTS (of a tty whose rate is not 0) before any call of ours; the board
    // reads DTR as its reset line.
    UniqueFd fd = TakeHeldPort(name);
    if (!fd.Valid()) {
      int error = 0;
      fd = OpenExclusive(name, error);
      if (!fd.Valid()) ThrowErrno(error);
    }
    for (const auto& [line, on] : {std::pair{TIOCM_DTR, options.dtr}, {TIOCM_RTS, options.rts}}) {
      int bit = line;
      if (ioctl(fd.Get(), on ? TIOCMBIS : TIOCMBIC, &bit) != 0 && !NoModemLines(errno)) {
        ThrowErrno(errno);
      }
    }
    // Raw before anything else touches the line: no echo of what the board sends.
    termios t{};
    if (tcgetattr(fd.Get(), &t) != 0) ThrowErrno(errno);
    MakeRaw(t);
    if (tcsetattr(fd.Get(), TCSANOW, &t) != 0) ThrowErrno(errno);
    std::unique_ptr<Wakeup> wake;
    try {
      wake = std::make_unique<Wakeup>();
    } catch (const std::system_error& error) {
      ThrowErrno(error.code().value());
    }
    return std::make_unique<TermiosDevice>(std::move(fd), std::move(wake), options);
  }
};

}  // namespace

CommDeviceProvider& SystemCommDevices() {
  static TermiosProvider provider;
  return provider;
}

}  // namespace korvalesen::platform
