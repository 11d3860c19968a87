// The tone player's hand-over to its worker, over an output that plays until the test lets
// the tone end or the player cuts it off.
#include "platform/posix/background_tone_player.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "tests/platform/wave_images.h"

namespace korvalesen::platform {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::CountingSamples;
using testing::PcmImage;

constexpr WaveFormat kMono8{1, 22050, 8};

enum class End { kPlaying, kFinished, kStopped, kTimedOut };

struct PlayRecord {
  WaveFormat format;
  Bytes samples;
  End end = End::kPlaying;
};

// What the output saw, shared with the test, which outlives the player that owns the output.
class OutputLog {
 public:
  // Waits until the records satisfy `done` (at most five seconds) and returns them.
  std::vector<PlayRecord> WaitFor(const std::function<bool(const std::vector<PlayRecord>&)>& done) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, 5s, [&] { return done(records_); });
    return records_;
  }
  std::vector<PlayRecord> WaitStarted(std::size_t count) {
    return WaitFor([count](const auto& records) { return records.size() >= count; });
  }
  std::vector<PlayRecord> WaitEnded(std::size_t count) {
    return WaitFor([count](const auto& records) {
      return std::count_if(records.begin(), records.end(), [](const PlayRecord& r) {
               return r.end != End::kPlaying;
             }) >= static_cast<std::ptrdiff_t>(count);
    });
  }
  // Lets the tone that plays come to its end.
  void Finish() { finish_.Signal(); }

  std::size_t Started(const WaveSound& sound) {
    const std::lock_guard lock(mutex_);
    records_.push_back({sound.format, {sound.samples.begin(), sound.samples.end()}});
    changed_.notify_all();
    return records_.size() - 1;
  }
  void Ended(std::size_t index, End end) {
    const std::lock_guard lock(mutex_);
    records_[index].end = end;
    finish_.Drain();
    changed_.notify_all();
  }
  int FinishDescriptor() const { return finish_.Descriptor(); }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<PlayRecord> records_;
  Wakeup finish_;
};

class HeldOutput final : public PcmOutput {
 public:
  explicit HeldOutput(std::shared_ptr<OutputLog> log) : log_(std::move(log)) {}

  void Play(const WaveSound& sound, const Wakeup& stop) override {
    const std::size_t index = log_->Started(sound);
    pollfd fds[2] = {{stop.Descriptor(), POLLIN, 0}, {log_->FinishDescriptor(), POLLIN, 0}};
    // Bounded, so that a player that waits for its tone fails the test instead of hanging it.
    const int ready = poll(fds, 2, 10'000);
    log_->Ended(index, ready <= 0            ? End::kTimedOut
                       : fds[0].revents != 0 ? End::kStopped
                                             : End::kFinished);
  }

 private:
  std::shared_ptr<OutputLog> log_;
};

Bytes Image(std::uint8_t first) {
  return PcmImage(kMono8, CountingSamples(100, first));
}

class BackgroundTonePlayerTest : public ::testing::Test {
 protected:
  std::shared_ptr<OutputLog> log_ = std::make_shared<OutputLog>();
  std::unique_ptr<BackgroundTonePlayer> player_ =
      std::make_unique<BackgroundTonePlayer>(std::make_unique<HeldOutput>(log_));
};

TEST_F(BackgroundTonePlayerTest, PlayAsyncReturnsWhileTheToneStillPlays) {
  player_->PlayAsync(Image(7));
  auto records = log_->WaitStarted(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].end, End::kPlaying);
  EXPECT_EQ(records[0].format, kMono8);
  EXPECT_EQ(records[0].samples, CountingSamples(100, 7));
  log_->Finish();
  records = log_->WaitEnded(1);
  EXPECT_EQ(records[0].end, End::kFinished);
}

TEST_F(BackgroundTonePlayerTest, ANewToneCutsOffTheOneThatPlays) {
  player_->PlayAsync(Image(1));
  log_->WaitStarted(1);
  player_->PlayAsync(Image(2));
  const auto records = log_->WaitStarted(2);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].end, End::kStopped);
  EXPECT_EQ(records[1].end, End::kPlaying);
  EXPECT_EQ(records[1].samples, CountingSamples(100, 2));
}

TEST_F(BackgroundTonePlayerTest, TheEndOfThePlayerCutsOffItsTone) {
  player_->PlayAsync(Image(1));
  log_->WaitStarted(1);
  player_.reset();
  const auto records = log_->WaitEnded(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].end, End::kStopped);
}

TEST_F(BackgroundTonePlayerTest, AnImageThatCannotBePlayedIsIgnoredAndTheToneGoesOn) {
  player_->PlayAsync(Image(1));
  log_->WaitStarted(1);
  Bytes broken = Image(2);
  broken[8] = 'X';  // no longer "WAVE"
  player_->PlayAsync(broken);
  player_->PlayAsync({});
  log_->Finish();
  auto records = log_->WaitEnded(1);
  EXPECT_EQ(records[0].end, End::kFinished);
  player_->PlayAsync(Image(3));
  records = log_->WaitStarted(2);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].samples, CountingSamples(100, 3));
}

TEST_F(BackgroundTonePlayerTest, TheCallersImageMayChangeOrGoAwayAtOnce) {
  auto image = std::make_unique<Bytes>(Image(40));
  player_->PlayAsync(*image);
  std::fill(image->begin(), image->end(), 0);
  image.reset();
  const auto records = log_->WaitStarted(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].samples, CountingSamples(100, 40));
}

TEST_F(BackgroundTonePlayerTest, OfManyTonesInARowTheLastOnePlaysAndAllOthersAreCutOff) {
  constexpr std::uint8_t kTones = 50;
  player_->PlayAsync(Image(0));
  log_->WaitStarted(1);
  for (std::uint8_t i = 1; i < kTones; ++i) player_->PlayAsync(Image(i));
  const auto records = log_->WaitFor([](const std::vector<PlayRecord>& r) {
    return !r.empty() && r.back().samples == CountingSamples(100, kTones - 1);
  });
  ASSERT_GE(records.size(), 2u);
  EXPECT_EQ(records.back().samples, CountingSamples(100, kTones - 1));
  EXPECT_EQ(records.back().end, End::kPlaying);
  std::uint8_t previous = 0;
  for (std::size_t i = 0; i + 1 < records.size(); ++i) {
    EXPECT_EQ(records[i].end, End::kStopped) << i;
    const std::uint8_t first = records[i].samples.at(0);
    EXPECT_EQ(records[i].samples, CountingSamples(100, first)) << "a whole image, not a mix";
    EXPECT_TRUE(i == 0 || first > previous) << "tones in the order they were given";
    previous = first;
  }
}

}  // namespace
}  // namespace korvalesen::platform
