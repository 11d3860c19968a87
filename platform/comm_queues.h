#pragma once

// Pieces that every comm device implementation shares: the receive queue with its read
// request, the write channel with its write request, and the event word with its wait. All
// are safe to use from the device's own threads and the component's threads at once, so the
// termios device and the virtual line follow one set of rules for them.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/comm_device.h"

namespace korvalesen::platform {

// The largest receive queue a device takes, as its property record reports it.
inline constexpr std::size_t kMaxReceiveQueue = 16 * 1024 * 1024;
// 0 when a device takes these queue sizes (SetQueueSizes), otherwise EINVAL.
int QueueSizesError(std::int32_t input, std::int32_t output);

// The component's own receive queue (the size given by SetQueueSizes). The device's reader
// pushes what arrives; the read channel takes from it on the caller's thread.
class ReceiveQueue {
 public:
  using Clock = std::chrono::steady_clock;

  explicit ReceiveQueue(std::size_t capacity) : capacity_(capacity) {}

  void SetCapacity(std::size_t capacity);
  std::size_t Capacity() const;
  std::size_t Size() const;
  std::size_t Free() const;

  struct PushResult {
    std::size_t taken = 0;
    std::uint32_t events = 0;  // kEvRxChar, kEvRxFlag, kEvRx80Full, kEvErr (on overflow)
  };
  // Queues what fits (after dropping NUL bytes when `discard_null`); the rest is lost and
  // recorded as kErrRxOver.
  PushResult Push(const char* data, std::size_t length, char event_char, bool discard_null);

  void AddErrors(std::uint32_t bits);
  std::uint32_t TakeErrors();
  void Clear();

  void StartRead(void* buffer, std::size_t length, const CommTimeouts& timeouts);
  bool ReadDone();
  std::size_t WaitRead();
  void AbortRead();

  // Marks the device as gone: waits end, the read channel throws `error` from now on.
  void SetGone(const SysError& error);

 private:
  struct Request {
    char* buffer = nullptr;
    std::size_t length = 0;
    std::size_t moved = 0;
    // Once ended (complete, aborted, timed out or gone) a request takes no more bytes: its
    // caller may have given up the buffer.
    bool ended = false;
    bool immediate = false;
    std::optional<Clock::time_point> total_deadline;
    std::chrono::milliseconds interval{0};
    std::optional<Clock::time_point> last_byte;
  };

  // Ends the request when its time is up, otherwise fills it; then ends it when done.
  void SettleLocked(Clock::time_point now);
  void FillLocked();
  bool DoneLocked() const;
  bool TimedOutLocked(Clock::time_point now) const;
  std::optional<Clock::time_point> NextDeadlineLocked() const;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<char> bytes_;
  std::size_t capacity_;
  std::uint32_t errors_ = 0;
  std::optional<Request> request_;
  std::optional<SysError> gone_;
};

// The write channel: the bytes of the write in progress that the line has not taken yet. The
// device's writer (the termios reader thread, the virtual line's far end) hands them to the
// line; the caller tests or waits for the end of the write on its own thread.
//
// A write ends when the line has taken all its bytes, at its time-out, by a purge or the
// close, or when the device is gone; once ended, what it had left is dropped and never sent.
class WriteChannel {
 public:
  using Clock = std::chrono::steady_clock;

  // Starts a write of a copy of the bytes with the write time-outs of `timeouts`.
  void Start(const void* data, std::size_t length, const CommTimeouts& timeouts);
  // The bytes not taken by the line yet: the output count of the device's status.
  std::size_t Pending() const;

  // Offers the pending bytes to `take`, which returns how many of them the line took (0 when
  // it takes none now), again while it takes some; returns how many it took in all. `take`
  // runs under the channel's lock, so that a purge never falls between taking bytes and
  // counting them; it must take no lock.
  std::size_t Deliver(const std::function<std::size_t(std::string_view)>& take);

  enum class State {
    kIdle,     // no write outstanding
    kPending,  // bytes are waiting for the line
    kTaken,    // the line took all bytes (the device may still hold them)
    kEnded     // timed out, purged or gone
  };
  State Progress();

  struct End {
    std::size_t moved = 0;
    bool complete = false;  // all bytes were taken before the write ended
    // When the time-out of the write falls, for a device that still holds taken bytes.
    std::optional<Clock::time_point> deadline;
  };
  // Waits for the end of the write and closes the request; throws once the device is gone.
  End Wait();
  // Waits until no byte is pending; throws once the device is gone.
  void WaitEmpty();
  // Drops the pending bytes and ends the write in progress (a purge of the output, the close).
  void Discard();
  void SetGone(const SysError& error);

 private:
  // Ends the write when its time is up.
  void SettleLocked(Clock::time_point now);
  State ProgressLocked() const;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<char> bytes_;
  std::size_t taken_ = 0;
  bool active_ = false;
  bool ended_ = false;
  std::optional<Clock::time_point> deadline_;
  std::optional<SysError> gone_;
};

// The event mask and the event word of a device.
class EventSource {
 public:
  void SetMask(std::uint32_t mask);
  std::uint32_t Mask() const;
  // Records the events of the mask among `bits` and wakes the waiter.
  void Raise(std::uint32_t bits);
  // Waits for an event; 0 when the mask was changed meanwhile. Throws once the device is gone.
  std::uint32_t Wait();
  void SetGone(const SysError& error);

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::uint32_t mask_ = 0;
  std::uint32_t word_ = 0;
  // A change of the mask ends the wait in progress, or the next one if none is in progress,
  // with an event word of 0; so a stop request between two waits is not lost.
  bool interrupted_ = false;
  std::optional<SysError> gone_;
};

}  // namespace korvalesen::platform
