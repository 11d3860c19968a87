#include "platform/comm_queues.h"

#include <algorithm>
#include <cerrno>
#include <utility>

namespace korvalesen::platform {

int QueueSizesError(std::int32_t input, std::int32_t output) {
  const bool taken =
      input > 0 && output >= 0 && static_cast<std::size_t>(input) <= kMaxReceiveQueue;
  return taken ? 0 : EINVAL;
}

void ReceiveQueue::SetCapacity(std::size_t capacity) {
  std::lock_guard lock(mutex_);
  capacity_ = capacity;
}

std::size_t ReceiveQueue::Capacity() const {
  std::lock_guard lock(mutex_);
  return capacity_;
}

std::size_t ReceiveQueue::Size() const {
  std::lock_guard lock(mutex_);
  return bytes_.size();
}

std::size_t ReceiveQueue::Free() const {
  std::lock_guard lock(mutex_);
  return bytes_.size() >= capacity_ ? 0 : capacity_ - bytes_.size();
}

ReceiveQueue::PushResult ReceiveQueue::Push(const char* data, std::size_t length, char event_char,
                                            bool discard_null) {
  PushResult result;
  std::lock_guard lock(mutex_);
  const std::size_t before = bytes_.size();
  for (std::size_t i = 0; i < length; ++i) {
    const char c = data[i];
    if (discard_null && c == 0) continue;
    if (bytes_.size() >= capacity_) {
      errors_ |= kErrRxOver;
      result.events |= kEvErr;
      continue;
    }
    bytes_.push_back(c);
    ++result.taken;
    if (c == event_char) result.events |= kEvRxFlag;
  }
  if (result.taken > 0) {
    result.events |= kEvRxChar;
    const std::size_t mark = capacity_ * 8 / 10;
    if (before < mark && bytes_.size() >= mark) result.events |= kEvRx80Full;
    if (request_ && !request_->ended) {
      const auto now = Clock::now();
      SettleLocked(now);
      request_->last_byte = now;
    }
    changed_.notify_all();
  }
  return result;
}

void ReceiveQueue::AddErrors(std::uint32_t bits) {
  std::lock_guard lock(mutex_);
  errors_ |= bits;
}

std::uint32_t ReceiveQueue::TakeErrors() {
  std::lock_guard lock(mutex_);
  return std::exchange(errors_, 0);
}

void ReceiveQueue::Clear() {
  std::lock_guard lock(mutex_);
  bytes_.clear();
}

void ReceiveQueue::StartRead(void* buffer, std::size_t length, const CommTimeouts& timeouts) {
  std::lock_guard lock(mutex_);
  if (gone_) throw *gone_;
  Request request;
  request.buffer = static_cast<char*>(buffer);
  request.length = length;
  const auto now = Clock::now();
  if (timeouts.read_interval == -1 && timeouts.read_multiplier == 0 &&
      timeouts.read_constant == 0) {
    request.immediate = true;
  } else {
    const std::int64_t total =
        std::int64_t{timeouts.read_multiplier} * static_cast<std::int64_t>(length) +
        timeouts.read_constant;
    if (timeouts.read_multiplier != 0 || timeouts.read_constant != 0) {
      request.total_deadline = now + std::chrono::milliseconds(std::max<std::int64_t>(total, 0));
    }
    if (timeouts.read_interval > 0)
      request.interval = std::chrono::milliseconds(timeouts.read_interval);
  }
  request_ = request;
  SettleLocked(now);
  if (request_->moved > 0) request_->last_byte = now;
}

void ReceiveQueue::SettleLocked(Clock::time_point now) {
  Request& r = *request_;
  if (r.ended) return;
  if (TimedOutLocked(now)) {
    r.ended = true;
    return;
  }
  FillLocked();
  r.ended = DoneLocked() || gone_;
}

void ReceiveQueue::FillLocked() {
  Request& r = *request_;
  const std::size_t n = std::min(r.length - r.moved, bytes_.size());
  std::copy_n(bytes_.begin(), n, r.buffer + r.moved);
  bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(n));
  r.moved += n;
}

bool ReceiveQueue::DoneLocked() const {
  return request_->moved == request_->length || request_->immediate;
}

bool ReceiveQueue::TimedOutLocked(Clock::time_point now) const {
  const Request& r = *request_;
  if (r.total_deadline && now >= *r.total_deadline) return true;
  return r.interval.count() > 0 && r.last_byte && now - *r.last_byte >= r.interval;
}

std::optional<ReceiveQueue::Clock::time_point> ReceiveQueue::NextDeadlineLocked() const {
  std::optional<Clock::time_point> next = request_->total_deadline;
  if (request_->interval.count() > 0 && request_->last_byte) {
    const auto t = *request_->last_byte + request_->interval;
    if (!next || t < *next) next = t;
  }
  return next;
}

bool ReceiveQueue::ReadDone() {
  std::lock_guard lock(mutex_);
  if (!request_) return true;
  SettleLocked(Clock::now());
  return request_->ended;
}

std::size_t ReceiveQueue::WaitRead() {
  std::unique_lock lock(mutex_);
  if (!request_) return 0;
  for (;;) {
    SettleLocked(Clock::now());
    if (request_->ended) break;
    if (const auto deadline = NextDeadlineLocked()) {
      changed_.wait_until(lock, *deadline);
    } else {
      changed_.wait(lock);
    }
  }
  const std::size_t moved = request_->moved;
  const bool complete = moved == request_->length;
  request_.reset();
  if (gone_ && !complete) throw *gone_;
  return moved;
}

void ReceiveQueue::AbortRead() {
  std::lock_guard lock(mutex_);
  if (request_) request_->ended = true;
  changed_.notify_all();
}

void ReceiveQueue::SetGone(const SysError& error) {
  std::lock_guard lock(mutex_);
  if (!gone_) gone_ = error;
  changed_.notify_all();
}

void WriteChannel::Start(const void* data, std::size_t length, const CommTimeouts& timeouts) {
  std::lock_guard lock(mutex_);
  if (gone_) throw *gone_;
  const char* p = static_cast<const char*>(data);
  bytes_.assign(p, p + length);
  taken_ = 0;
  active_ = true;
  ended_ = false;
  deadline_.reset();
  if (timeouts.write_multiplier != 0 || timeouts.write_constant != 0) {
    const std::int64_t total =
        std::int64_t{timeouts.write_multiplier} * static_cast<std::int64_t>(length) +
        timeouts.write_constant;
    deadline_ = Clock::now() + std::chrono::milliseconds(std::max<std::int64_t>(total, 0));
  }
  changed_.notify_all();
}

std::size_t WriteChannel::Pending() const {
  std::lock_guard lock(mutex_);
  return bytes_.size() - taken_;
}

std::size_t WriteChannel::Deliver(const std::function<std::size_t(std::string_view)>& take) {
  std::lock_guard lock(mutex_);
  SettleLocked(Clock::now());
  std::size_t total = 0;
  while (!gone_ && taken_ < bytes_.size()) {
    const std::size_t n =
        std::min(take(std::string_view(bytes_.data() + taken_, bytes_.size() - taken_)),
                 bytes_.size() - taken_);
    if (n == 0) break;
    taken_ += n;
    total += n;
  }
  if (total > 0) changed_.notify_all();
  return total;
}

void WriteChannel::SettleLocked(Clock::time_point now) {
  if (!active_ || ended_ || taken_ == bytes_.size()) return;
  if (gone_ || (deadline_ && now >= *deadline_)) {
    ended_ = true;
    bytes_.resize(taken_);
    changed_.notify_all();
  }
}

WriteChannel::State WriteChannel::ProgressLocked() const {
  if (!active_) return State::kIdle;
  if (ended_ || gone_) return State::kEnded;
  return taken_ == bytes_.size() ? State::kTaken : State::kPending;
}

WriteChannel::State WriteChannel::Progress() {
  std::lock_guard lock(mutex_);
  SettleLocked(Clock::now());
  return ProgressLocked();
}

WriteChannel::End WriteChannel::Wait() {
  std::unique_lock lock(mutex_);
  if (!active_) return {};
  for (;;) {
    SettleLocked(Clock::now());
    if (ProgressLocked() != State::kPending) break;
    if (deadline_) {
      changed_.wait_until(lock, *deadline_);
    } else {
      changed_.wait(lock);
    }
  }
  active_ = false;
  if (gone_) throw *gone_;
  return End{taken_, !ended_, deadline_};
}

void WriteChannel::WaitEmpty() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return taken_ == bytes_.size() || gone_; });
  if (gone_) throw *gone_;
}

void WriteChannel::Discard() {
  std::lock_guard lock(mutex_);
  // Also a write the line has taken whole ends here: the device's own queue is purged with it.
  if (active_) ended_ = true;
  bytes_.resize(taken_);
  changed_.notify_all();
}

void WriteChannel::SetGone(const SysError& error) {
  std::lock_guard lock(mutex_);
  if (!gone_) gone_ = error;
  changed_.notify_all();
}

void EventSource::SetMask(std::uint32_t mask) {
  std::lock_guard lock(mutex_);
  mask_ = mask;
  word_ = 0;
  interrupted_ = true;
  changed_.notify_all();
}

std::uint32_t EventSource::Mask() const {
  std::lock_guard lock(mutex_);
  return mask_;
}

void EventSource::Raise(std::uint32_t bits) {
  std::lock_guard lock(mutex_);
  if ((bits & mask_) == 0) return;
  word_ |= bits & mask_;
  changed_.notify_all();
}

std::uint32_t EventSource::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return word_ != 0 || interrupted_ || gone_; });
  if (word_ != 0) {
    interrupted_ = false;
    return std::exchange(word_, 0);
  }
  if (gone_) throw *gone_;
  interrupted_ = false;
  return 0;
}

void EventSource::SetGone(const SysError& error) {
  std::lock_guard lock(mutex_);
  if (!gone_) gone_ = error;
  changed_.notify_all();
}

}  // namespace korvalesen::platform
