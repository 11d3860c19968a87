#pragma once

// The tone player: plays an in-memory RIFF/WAVE image without waiting. The image must stay
// valid while it plays. A system without a usable sound device plays nothing; that is no error.

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvalesen::platform {

class TonePlayer {
 public:
  virtual ~TonePlayer() = default;
  // Starts playing the image and returns at once; a tone still playing is cut off.
  virtual void PlayAsync(std::span<const std::uint8_t> wave_image) = 0;
};

// The system's sound output (ALSA on Linux).
TonePlayer& SystemTonePlayer();

}  // namespace korvalesen::platform
