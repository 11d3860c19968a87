#pragma once

// The tone player over a sound output: each tone plays on a worker thread, so that PlayAsync
// only hands it over.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "platform/posix/pcm_output.h"
#include "platform/posix/wave_image.h"
#include "platform/tone_player.h"
#include "platform/wakeup.h"

namespace korvalesen::platform {

class BackgroundTonePlayer final : public TonePlayer {
 public:
  explicit BackgroundTonePlayer(std::unique_ptr<PcmOutput> output);
  // Cuts off the tone that plays and waits for the worker to end.
  ~BackgroundTonePlayer() override;
  BackgroundTonePlayer(const BackgroundTonePlayer&) = delete;
  BackgroundTonePlayer& operator=(const BackgroundTonePlayer&) = delete;

  // Copies the samples, so the image need not outlive the call. An image that is not a
  // playable PCM WAVE is ignored, and a tone that plays goes on.
  void PlayAsync(std::span<const std::uint8_t> wave_image) override;

 private:
  struct Tone {
    WaveFormat format;
    std::vector<std::uint8_t> samples;
  };

  void Run();

  std::unique_ptr<PcmOutput> output_;
  Wakeup stop_;  // signalled while a newer tone or the end of the player waits
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<Tone> next_;
  bool ending_ = false;
  std::thread worker_;  // last, so that it starts after everything it uses
};

}  // namespace korvalesen::platform
