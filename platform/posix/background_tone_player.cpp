#include "platform/posix/background_tone_player.h"

#include <utility>

namespace korvalesen::platform {

BackgroundTonePlayer::BackgroundTonePlayer(std::unique_ptr<PcmOutput> output)
    : output_(std::move(output)), worker_([this] { Run(); }) {}

BackgroundTonePlayer::~BackgroundTonePlayer() {
  {
    const std::lock_guard lock(mutex_);
    ending_ = true;
    stop_.Signal();
  }
  changed_.notify_one();
  worker_.join();
}

void BackgroundTonePlayer::PlayAsync(std::span<const std::uint8_t> wave_image) {
  const auto sound = ReadWaveImage(wave_image);
  if (!sound) return;
  Tone tone{sound->format, {sound->samples.begin(), sound->samples.end()}};
  {
    const std::lock_guard lock(mutex_);
    next_ = std::move(tone);  // a tone handed over before and not yet started is dropped
    stop_.Signal();
  }
  changed_.notify_one();
}

void BackgroundTonePlayer::Run() {
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return ending_ || next_; });
    if (ending_) return;
    const Tone tone = std::move(*next_);
    next_.reset();
    // Under the lock: a signal given after this point is meant for this tone.
    stop_.Drain();
    lock.unlock();
    output_->Play(WaveSound{tone.format, tone.samples}, stop_);
    lock.lock();
  }
}

}  // namespace korvalesen::platform
