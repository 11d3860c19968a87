// The comm device on termios and the tty ioctls.
//
// One reader thread per open device (the pump) moves received bytes at once from the kernel
// into the component's own receive queue (ReceiveQueue, the size of SetQueueSizes), so that
// nothing is lost while the user-interface thread does not read: the kernel's tty buffer is
// only 4 KiB and throttles or drops beyond it. The pump also pushes the rest of a write that
// the kernel did not take at once, and samples the TIOCGICOUNT counters every 10 ms while the
// event mask asks for modem or line-error events; the counters count every edge, so none is
// missed between two samples. Some drivers do not count modem lines (8250 with CLOCAL,
// cp210x), so the lines themselves (TIOCMGET) are compared as well. The event waiter sleeps
// on a condition variable that a change of the event mask wakes at once. TIOCMIWAIT is not
// used: it cannot be woken by a stop.

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/comm_device.h"
#include "platform/comm_queues.h"
#include "platform/linux/termios2_rate.h"
#include "platform/linux/unique_fd.h"

namespace korvalesen::platform {
namespace {

constexpr std::size_t kMaxInputQueue = 16 * 1024 * 1024;
constexpr int kSampleMilliseconds = 10;
// Events that only the counters or the modem status show.
constexpr std::uint32_t kSampledEvents =
    kEvCts | kEvDsr | kEvRlsd | kEvRing | kEvBreak | kEvErr | kEvTxEmpty;

[[noreturn]] void ThrowErrno(int code) {
  throw SysError::FromErrno(code);
}

void CheckCall(int result) {
  if (result < 0) ThrowErrno(errno);
}

// A device without modem lines (a pty) answers the modem ioctls with one of these.
bool NoModemLines(int code) {
  return code == ENOTTY || code == EINVAL;
}

// Raw binary mode: no line editing, echo, signals, translation or output processing; the
// modem lines are no flow control, reads take what is there.
void MakeRaw(termios& t) {
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                      IXON | IXOFF | IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag |= CREAD | CLOCAL;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
}

// The data sizes, parities and stop bits the driver keeps, as the property record's flags.
// Tried on the raw line only when the capabilities are asked for, and put back: some drivers
// take only part of them (a pty stays at 8 bits without parity). On a USB adapter each try
// is a control transfer.
struct LineFormats {
  std::uint16_t data = 0;
  std::uint16_t stop_parity = 0;
};

LineFormats ProbeLineFormats(int fd) {
  LineFormats formats;
  termios original{};
  if (tcgetattr(fd, &original) != 0) return formats;
  auto keeps = [&](tcflag_t mask, tcflag_t bits) {
    termios t = original;
    t.c_cflag = (t.c_cflag & ~mask) | bits;
    termios back{};
    return tcsetattr(fd, TCSANOW, &t) == 0 && tcgetattr(fd, &back) == 0 &&
           (back.c_cflag & mask) == bits;
  };
  constexpr std::pair<tcflag_t, std::uint16_t> kSizes[] = {
      {CS5, kData5}, {CS6, kData6}, {CS7, kData7}, {CS8, kData8}};
  for (const auto& [size, flag] : kSizes) {
    if (keeps(CSIZE, size)) formats.data |= flag;
  }
  constexpr tcflag_t kParityMask = PARENB | PARODD | CMSPAR;
  constexpr std::pair<tcflag_t, std::uint16_t> kParities[] = {
      {0, kParityNone},
      {PARENB | PARODD, kParityOdd},
      {PARENB, kParityEven},
      {PARENB | CMSPAR | PARODD, kParityMark},
      {PARENB | CMSPAR, kParitySpace}};
  for (const auto& [bits, flag] : kParities) {
    if (keeps(kParityMask, bits)) formats.stop_parity |= flag;
  }
  formats.stop_parity |= kStop1;
  if (keeps(CSTOPB, CSTOPB)) {
    formats.stop_parity |= kStop2;
    // One and a half stop bits is what a UART sends for CSTOPB with 5 data bits.
    if ((formats.data & kData5) != 0) formats.stop_parity |= kStop1_5;
  }
  tcsetattr(fd, TCSANOW, &original);
  return formats;
}

class TermiosDevice final : public CommDevice {
 public:
  TermiosDevice(UniqueFd fd, UniqueFd wake, const OpenOptions& options)
      : fd_(std::move(fd)), wake_(std::move(wake)) {
    kept_.dtr_control = options.dtr ? DtrControl::kEnable : DtrControl::kDisable;
    kept_.rts_control = options.rts ? RtsControl::kEnable : RtsControl::kDisable;
    // A UART's base rate (its clock over 16) is the highest rate it can send; a device without
    // one (a pty, some USB drivers) sets no limit.
    serial_struct info{};
    if (ioctl(fd_.Get(), TIOCGSERIAL, &info) == 0 && info.baud_base > 0) {
      highest_rate_ = static_cast<std::uint32_t>(info.baud_base);
    }
    // The baseline of the lines and counters, after all the open has done to the line.
    int lines = 0;
    has_modem_ = ioctl(fd_.Get(), TIOCMGET, &lines) == 0;
    last_lines_ = lines;
    serial_icounter_struct counters{};
    has_counters_ = ioctl(fd_.Get(), TIOCGICOUNT, &counters) == 0;
    if (has_counters_) last_counters_ = counters;
    pump_ = std::thread([this] { Pump(); });
  }

  ~TermiosDevice() override {
    stop_.store(true);
    Wake();
    pump_.join();
    // Unsent output is discarded, as by the close of a Windows comm handle; otherwise the
    // close waits for it to drain (up to the tty's closing wait of 30 s on a wedged adapter).
    tcflush(fd_.Get(), TCOFLUSH);
  }

  LineSettings GetSettings() override {
    std::lock_guard lock(mutex_);
    CheckGoneLocked();
    termios t{};
    CheckCall(tcgetattr(fd_.Get(), &t));
    LineSettings s = kept_;
    if (const int e = linux_tty::GetLineRate(fd_.Get(), s.baud_rate)) ThrowErrno(e);
    switch (t.c_cflag & CSIZE) {
      case CS5:
        s.byte_size = 5;
        break;
      case CS6:
        s.byte_size = 6;
        break;
      case CS7:
        s.byte_size = 7;
        break;
      default:
        s.byte_size = 8;
        break;
    }
    if ((t.c_cflag & PARENB) == 0) {
      s.parity = ParityCode::kNone;
    } else if ((t.c_cflag & CMSPAR) != 0) {
      s.parity = (t.c_cflag & PARODD) != 0 ? ParityCode::kMark : ParityCode::kSpace;
    } else {
      s.parity = (t.c_cflag & PARODD) != 0 ? ParityCode::kOdd : ParityCode::kEven;
    }
    if ((t.c_cflag & CSTOPB) == 0) {
      s.stop_bits = StopBitsCode::kOne;
    } else if (s.stop_bits != StopBitsCode::kOneAndHalf || s.byte_size != 5) {
      s.stop_bits = StopBitsCode::kTwo;
    }
    s.check_parity = (t.c_iflag & INPCK) != 0;
    s.xon_xoff_in = (t.c_iflag & IXOFF) != 0;
    s.xon_xoff_out = (t.c_iflag & IXON) != 0;
    s.out_cts_flow = (t.c_cflag & CRTSCTS) != 0;
    s.xon_char = static_cast<char>(t.c_cc[VSTART]);
    s.xoff_char = static_cast<char>(t.c_cc[VSTOP]);
    return s;
  }

  void SetSettings(const LineSettings& s) override {
    std::lock_guard lock(mutex_);
    CheckGoneLocked();
    if (!s.binary || s.baud_rate == 0 || s.byte_size < 5 || s.byte_size > 8 ||
        (s.stop_bits == StopBitsCode::kOneAndHalf && s.byte_size != 5)) {
      ThrowErrno(EINVAL);
    }
    termios t{};
    CheckCall(tcgetattr(fd_.Get(), &t));
    MakeRaw(t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= HUPCL;
    static constexpr std::array<tcflag_t, 4> kSizes{CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[static_cast<std::size_t>(s.byte_size - 5)];
    switch (s.parity) {
      case ParityCode::kNone:
        break;
      case ParityCode::kOdd:
        t.c_cflag |= PARENB | PARODD;
        break;
      case ParityCode::kEven:
        t.c_cflag |= PARENB;
        break;
      case ParityCode::kMark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
      case ParityCode::kSpace:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
    if (s.stop_bits != StopBitsCode::kOne) t.c_cflag |= CSTOPB;
    if (s.out_cts_flow || s.rts_control == RtsControl::kHandshake) t.c_cflag |= CRTSCTS;
    if (s.check_parity) t.c_iflag |= INPCK;
    if (s.xon_xoff_in) t.c_iflag |= IXOFF;
    if (s.xon_xoff_out) t.c_iflag |= IXON;
    t.c_cc[VSTART] = static_cast<cc_t>(s.xon_char);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoff_char);
    CheckCall(tcsetattr(fd_.Get(), TCSANOW, &t));
    termios back{};
    CheckCall(tcgetattr(fd_.Get(), &back));
    constexpr tcflag_t kCflagChecked = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
    constexpr tcflag_t kIflagChecked = INPCK | IXON | IXOFF;
    if ((back.c_cflag & kCflagChecked) != (t.c_cflag & kCflagChecked) ||
        (back.c_iflag & kIflagChecked) != (t.c_iflag & kIflagChecked)) {
      ThrowErrno(EINVAL);
    }
    if (const int e = linux_tty::SetLineRate(fd_.Get(), s.baud_rate)) ThrowErrno(e);
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
    if (input <= 0 || output < 0 || static_cast<std::size_t>(input) > kMaxInputQueue) {
      ThrowErrno(EINVAL);
    }
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
    p.max_rx_queue = static_cast<std::uint32_t>(kMaxInputQueue);
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
      std::lock_guard lock(mutex_);
      if ((flags & kPurgeTxClear) != 0) CheckCall(tcflush(fd_.Get(), TCOFLUSH));
      if (write_active_) write_aborted_ = true;
      tx_.clear();
      tx_offset_ = 0;
      tx_changed_.notify_all();
    }
  }

  void Flush() override {
    {
      std::unique_lock lock(mutex_);
      tx_changed_.wait(lock, [&] { return tx_offset_ == tx_.size() || gone_; });
      CheckGoneLocked();
    }
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
    SampleLocked();
    CommStatus status;
    status.errors = rx_.TakeErrors();
    status.in_queue = static_cast<std::uint32_t>(rx_.Size());
    int out = 0;
    if (ioctl(fd_.Get(), TIOCOUTQ, &out) != 0) out = 0;
    status.out_queue =
        static_cast<std::uint32_t>(tx_.size() - tx_offset_) + static_cast<std::uint32_t>(out);
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
    const char* p = static_cast<const char*>(buffer);
    tx_.assign(p, p + length);
    tx_offset_ = 0;
    write_active_ = true;
    write_aborted_ = false;
    write_started_at_ = std::chrono::steady_clock::now();
    if (const int e = PushOutLocked(); e != 0) ThrowErrno(e);
    if (tx_offset_ < tx_.size()) Wake();
  }

  bool WriteDone() override {
    std::lock_guard lock(mutex_);
    if (!write_active_ || write_aborted_ || gone_) return true;
    if (tx_offset_ < tx_.size()) return false;
    int out = 0;
    if (ioctl(fd_.Get(), TIOCOUTQ, &out) == 0 && out > 0) return false;
    return true;
  }

  std::size_t WaitWrite() override {
    std::unique_lock lock(mutex_);
    if (!write_active_) return 0;
    const std::size_t length = tx_.size();
    std::optional<std::chrono::steady_clock::time_point> deadline;
    if (timeouts_.write_multiplier != 0 || timeouts_.write_constant != 0) {
      deadline =
          write_started_at_ + std::chrono::milliseconds(std::int64_t{timeouts_.write_multiplier} *
                                                            static_cast<std::int64_t>(length) +
                                                        timeouts_.write_constant);
    }
    auto settled = [&] { return tx_offset_ == tx_.size() || write_aborted_ || gone_; };
    if (deadline) {
      tx_changed_.wait_until(lock, *deadline, settled);
    } else {
      tx_changed_.wait(lock, settled);
    }
    write_active_ = false;
    CheckGoneLocked();
    const std::size_t moved = write_aborted_ ? tx_offset_ : tx_offset_;
    if (moved < length || write_aborted_) return moved;
    lock.unlock();
    if (!deadline) {
      Drain();
      return moved;
    }
    for (;;) {
      int out = 0;
      if (ioctl(fd_.Get(), TIOCOUTQ, &out) != 0 || out <= 0) return moved;
      if (std::chrono::steady_clock::now() >= *deadline) {
        return moved - std::min<std::size_t>(moved, static_cast<std::size_t>(out));
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

  void Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(wake_.Get(), &one, sizeof one);
  }

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
    while (tx_offset_ < tx_.size()) {
      const ssize_t n = write(fd_.Get(), tx_.data() + tx_offset_, tx_.size() - tx_offset_);
      if (n > 0) {
        tx_offset_ += static_cast<std::size_t>(n);
        tx_busy_ = true;
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
      return n < 0 ? errno : EIO;
    }
    tx_changed_.notify_all();
    return 0;
  }

  // Takes the differences of the interrupt counters into the error bits and the event word.
  void SampleLocked() {
    std::uint32_t errors = 0;
    std::uint32_t events = 0;
    if (has_counters_) {
      serial_icounter_struct now{};
      if (ioctl(fd_.Get(), TIOCGICOUNT, &now) == 0) {
        const serial_icounter_struct& was = last_counters_;
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
    if (has_modem_) {
      // Also the lines themselves, for drivers that do not count them (a pulse shorter than
      // the sampling period can go unseen here).
      int lines = 0;
      if (ioctl(fd_.Get(), TIOCMGET, &lines) == 0) {
        const int changed = lines ^ last_lines_;
        if ((changed & TIOCM_CTS) != 0) events |= kEvCts;
        if ((changed & TIOCM_DSR) != 0) events |= kEvDsr;
        if ((changed & TIOCM_CD) != 0) events |= kEvRlsd;
        if ((changed & TIOCM_RI) != 0) events |= kEvRing;
        last_lines_ = lines;
      }
    }
    if ((errors & (kErrFrame | kErrOverrun | kErrParity | kErrRxOver)) != 0) events |= kEvErr;
    if (tx_busy_ && tx_offset_ == tx_.size()) {
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
    serial_icounter_struct now{};
    if (!has_counters_ || ioctl(fd_.Get(), TIOCGICOUNT, &now) != 0) return;
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
    events_.SetGone(*gone_);
    tx_changed_.notify_all();
  }

  void Pump() {
    std::vector<char> buffer(4096);
    while (!stop_.load()) {
      bool want_out = false;
      bool sampling = false;
      char event_char = 0;
      bool discard_null = false;
      {
        std::lock_guard lock(mutex_);
        if (gone_) return;
        want_out = tx_offset_ < tx_.size();
        sampling = (events_.Mask() & kSampledEvents) != 0 && (has_counters_ || has_modem_);
        if (tx_busy_ && (events_.Mask() & kEvTxEmpty) != 0) sampling = true;
        event_char = kept_.event_char;
        discard_null = kept_.discard_null;
      }
      const std::size_t room = std::min(buffer.size(), rx_.Free());
      std::array<pollfd, 2> fds{};
      fds[0].fd = fd_.Get();
      fds[0].events = static_cast<short>((room > 0 ? POLLIN : 0) | (want_out ? POLLOUT : 0));
      fds[1].fd = wake_.Get();
      fds[1].events = POLLIN;
      const int timeout = (sampling || room == 0) ? kSampleMilliseconds : -1;
      const int ready = poll(fds.data(), fds.size(), timeout);
      if (ready < 0) {
        if (errno == EINTR) continue;
        std::lock_guard lock(mutex_);
        SetGoneLocked(kDeviceGoneCode);
        return;
      }
      if ((fds[1].revents & POLLIN) != 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = read(wake_.Get(), &count, sizeof count);
      }
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
      std::lock_guard lock(mutex_);
      if ((fds[0].revents & POLLOUT) != 0) {
        if (const int e = PushOutLocked(); e != 0) {
          SetGoneLocked(kDeviceGoneCode);
          return;
        }
      }
      SampleLocked();
    }
  }

  UniqueFd fd_;
  UniqueFd wake_;
  // Held by the pump from its read to its push, and by the purge of the input.
  std::mutex input_mutex_;
  ReceiveQueue rx_{4096};
  EventSource events_;
  std::mutex mutex_;
  std::condition_variable tx_changed_;
  std::vector<char> tx_;
  std::size_t tx_offset_ = 0;
  bool write_active_ = false;
  bool write_aborted_ = false;
  bool tx_busy_ = false;
  std::chrono::steady_clock::time_point write_started_at_;
  LineSettings kept_;
  CommTimeouts timeouts_;
  std::uint32_t output_size_ = 2048;
  bool has_counters_ = false;
  bool has_modem_ = false;
  std::uint32_t highest_rate_ = UINT32_MAX;
  std::optional<LineFormats> formats_;  // probed when first asked for
  serial_icounter_struct last_counters_{};
  int last_lines_ = 0;
  std::optional<SysError> gone_;
  std::atomic<bool> stop_{false};
  std::thread pump_;
};

class TermiosProvider final : public CommDeviceProvider {
 public:
  std::unique_ptr<CommDevice> Open(const std::string& name, const OpenOptions& options) override {
    // The kernel raises DTR and RTS at this open (of a tty whose rate is not 0) before any
    // call of ours; the board reads DTR as its reset line.
    UniqueFd fd(open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) ThrowErrno(errno);
    // The lock, then the exclusive mode, then the lines: a holder that uses the lock (also
    // root, whom TIOCEXCL does not stop) or the exclusive mode keeps its lines.
    if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) ThrowErrno(errno == EWOULDBLOCK ? EBUSY : errno);
    if (ioctl(fd.Get(), TIOCEXCL) != 0) ThrowErrno(errno);
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
    UniqueFd wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake.Valid()) ThrowErrno(errno);
    return std::make_unique<TermiosDevice>(std::move(fd), std::move(wake), options);
  }
};

}  // namespace

CommDeviceProvider& SystemCommDevices() {
  static TermiosProvider provider;
  return provider;
}

}  // namespace korvalesen::platform
