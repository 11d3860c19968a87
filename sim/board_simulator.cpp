#include "sim/board_simulator.h"

#include <algorithm>
#include <deque>
#include <utility>

#include "sim/board_dump.h"

namespace korvalesen::sim {

namespace {

constexpr std::uint8_t kProbe = 0xBA;
constexpr std::uint8_t kWrongEcho = 0xBB;
constexpr std::uint8_t kCommandFirst = 0xA5;
constexpr std::uint8_t kCommandSecond = 0xAB;

// Paced, the line gets bytes in chunks and is refilled well before it runs dry, so the dump
// flows at the line rate with a few wake-ups a second.
constexpr std::size_t kLineQueueLow = 64;
constexpr std::size_t kLineQueueHigh = 192;
constexpr auto kRefillPeriod = std::chrono::milliseconds(40);
constexpr auto kDrainPoll = std::chrono::milliseconds(2);
// The longest sleep, so that a stop request is seen.
constexpr auto kIdleWake = std::chrono::milliseconds(50);

}  // namespace

BoardSimulator::BoardSimulator(VirtualSerialLine& line)
    : line_(line), dump_(BuildDump(SampleBoardImage())) {}

BoardSimulator::~BoardSimulator() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void BoardSimulator::SetDump(std::string bytes) {
  dump_ = std::move(bytes);
}
void BoardSimulator::SetImage(const ConfigImage& image) {
  dump_ = BuildDump(image);
}
void BoardSimulator::SetPaced(bool paced) {
  paced_ = paced;
}
void BoardSimulator::SetFaults(const BoardFaults& faults) {
  faults_ = faults;
}
void BoardSimulator::SetTiming(const BoardTiming& timing) {
  timing_ = timing;
}
void BoardSimulator::SetNoiseAfterCommand(std::string bytes) {
  noise_ = std::move(bytes);
}

void BoardSimulator::Start() {
  if (thread_.joinable()) return;
  line_.SetPacing(paced_);
  if (faults_.stuckWrite) line_.SetTakesOutput(false);
  // The line as it is now, before the program can change it while the thread starts; what
  // happened to it before the board was switched on is past.
  line_.TakeDtrChanges();
  const bool dtr = line_.Dtr();
  thread_ = std::thread([this, dtr] { Run(dtr); });
}

std::string BoardSimulator::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

int BoardSimulator::Resets() const {
  std::lock_guard lock(mutex_);
  return resets_;
}

bool BoardSimulator::WaitDumpSent(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return dump_done_changed_.wait_for(lock, timeout, [this] { return dump_done_; });
}

void BoardSimulator::MarkDumpDone() {
  dumping_ = false;
  std::lock_guard lock(mutex_);
  dump_done_ = true;
  dump_done_changed_.notify_all();
}

std::size_t BoardSimulator::NextStop() const {
  std::size_t stop = dump_.size();
  for (const auto& at : {faults_.silenceAfter, faults_.unplugAfter,
                         line_error_done_ ? std::nullopt : faults_.lineErrorAfter,
                         line_error_in_read_done_ ? std::nullopt : faults_.lineErrorInReadAfter}) {
    if (at && *at >= sent_) stop = std::min(stop, *at);
  }
  return stop;
}

std::optional<BoardSimulator::Clock::time_point> BoardSimulator::FeedDump(Clock::time_point now) {
  while (dumping_) {
    const std::size_t stop = NextStop();
    if (sent_ < stop) {
      if (!paced_) {
        // As fast as the port takes it: never more than its receive queue holds.
        const std::size_t count = std::min(stop - sent_, line_.ReceiveRoom());
        if (count == 0) return now + kDrainPoll;
        line_.Send(std::string_view(dump_).substr(sent_, count));
        sent_ += count;
        continue;
      }
      const std::size_t pending = line_.SendPending();
      if (pending < kLineQueueLow) {
        const std::size_t count = std::min(kLineQueueHigh - pending, stop - sent_);
        line_.Send(std::string_view(dump_).substr(sent_, count));
        sent_ += count;
      }
      return now + kRefillPeriod;
    }
    // A fault acts once the bytes before it have arrived.
    if (line_.SendPending() > 0) return now + kDrainPoll;
    if (faults_.lineErrorAfter == sent_ && !line_error_done_) {
      line_.InjectLineErrors(platform::kErrFrame);
      line_error_done_ = true;
      continue;
    }
    if (faults_.lineErrorInReadAfter == sent_ && !line_error_in_read_done_) {
      line_.InjectLineErrorsAtNextCount(platform::kErrFrame);
      line_error_in_read_done_ = true;
      continue;
    }
    if (faults_.unplugAfter == sent_) line_.Unplug();
    MarkDumpDone();
  }
  return std::nullopt;
}

void BoardSimulator::SendResetNoise() {
  line_.InjectLineErrors(platform::kErrFrame);
  line_.Send(std::string(1, '\0'));
  line_.InjectLineErrors(platform::kErrBreak);
}

void BoardSimulator::Run(bool dtr_at_start) {
  // A board that is switched on runs until it is reset.
  enum class Phase { kInReset, kStarting, kReady };
  Phase phase = Phase::kReady;
  // Whether the board takes DTR as on, and a rise not yet long enough to count.
  bool held = dtr_at_start;
  bool rising = false;
  Clock::time_point rise;
  Clock::time_point ready_at;
  std::deque<std::pair<Clock::time_point, bool>> dsr_changes;
  std::optional<std::pair<Clock::time_point, std::uint8_t>> echo;
  // When the dump starts; never while no read command waits.
  constexpr Clock::time_point kNever = Clock::time_point::max();
  Clock::time_point dump_at = kNever;
  bool command_started = false;

  // An accepted change of the reset line at `at`. An acknowledgement lasts at least its delay.
  const auto reset_line = [&](Clock::time_point at, bool on) {
    if (on ? !faults_.noAckOn : !faults_.ackOffStuck) {
      Clock::time_point ack = at + timing_.ackDelay;
      if (!dsr_changes.empty()) ack = std::max(ack, dsr_changes.back().first + timing_.ackDelay);
      dsr_changes.emplace_back(ack, on);
    }
    if (on) {
      phase = Phase::kInReset;
      echo.reset();
      dump_at = kNever;
      dumping_ = false;
      if (faults_.resetNoise) SendResetNoise();
    } else if (phase == Phase::kInReset) {
      std::lock_guard lock(mutex_);
      ++resets_;
      phase = Phase::kStarting;
      ready_at = at + timing_.startUp;
    }
  };

  while (!stop_) {
    const std::uint64_t seen = line_.FarEndEvents();
    const Clock::time_point now = Clock::now();

    for (const auto& change : line_.TakeDtrChanges()) {
      if (change.on) {
        rising = !held;
        rise = change.at;
      } else if (held) {
        reset_line(change.at, false);
        held = false;
      } else if (rising) {
        const bool glitch = change.at - rise < timing_.resetDebounce;
        if (!glitch || faults_.resetOnGlitch) {
          reset_line(glitch ? rise : rise + timing_.resetDebounce, true);
          reset_line(change.at, false);
        }
        rising = false;
      }
    }
    if (rising && now - rise >= timing_.resetDebounce) {
      reset_line(rise + timing_.resetDebounce, true);
      held = true;
      rising = false;
    }
    while (!dsr_changes.empty() && dsr_changes.front().first <= now) {
      line_.SetDsr(dsr_changes.front().second);
      dsr_changes.pop_front();
    }
    if (phase == Phase::kStarting && ready_at <= now) phase = Phase::kReady;

    const auto [bytes, arrived] = line_.TakeReceivedWithArrival();
    // A late echo counts from the probe's arrival, however late a busy machine let this thread
    // take it.
    const Clock::time_point taken = Clock::now();
    {
      std::lock_guard lock(mutex_);
      received_ += bytes;
    }
    for (const char c : bytes) {
      const auto byte = static_cast<std::uint8_t>(c);
      if (phase != Phase::kReady) continue;
      if (byte == kCommandSecond && command_started) {
        line_.Send(noise_);
        // The firmware's wait for the dump begins once it has handled the command.
        dump_at = taken + timing_.dumpDelay;
      } else if (byte == kProbe && !faults_.noEcho) {
        echo = {arrived + faults_.lateEcho.value_or(std::chrono::milliseconds::zero()),
                faults_.wrongEcho ? kWrongEcho : kProbe};
      }
      command_started = byte == kCommandFirst;
    }
    if (echo && echo->first <= taken) {
      line_.Send(std::string(1, static_cast<char>(echo->second)));
      echo.reset();
    }
    if (dump_at <= taken) {
      dump_at = kNever;
      dumping_ = true;
      sent_ = 0;
      line_error_done_ = false;
      line_error_in_read_done_ = false;
    }

    Clock::time_point wake = now + kIdleWake;
    const auto earlier = [&wake](Clock::time_point t) { wake = std::min(wake, t); };
    if (!dsr_changes.empty()) earlier(dsr_changes.front().first);
    if (rising) earlier(rise + timing_.resetDebounce);
    if (phase == Phase::kStarting) earlier(ready_at);
    if (echo) earlier(echo->first);
    earlier(dump_at);
    if (const auto feed = FeedDump(now)) earlier(*feed);
    line_.WaitFarEnd(seen, wake);
  }
}

}  // namespace korvalesen::sim
