#pragma once

// Pieces that every comm device implementation shares: the receive queue with its read
// request, and the event word with its wait. Both are safe to use from the device's own
// threads and the component's threads at once.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "platform/comm_device.h"

namespace korvalesen::platform {

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
