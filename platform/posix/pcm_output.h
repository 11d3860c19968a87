#pragma once

// A sound output that plays one PCM sound at a time, on the calling thread.

#include "platform/posix/wave_image.h"
#include "platform/wakeup.h"

namespace korvalesen::platform {

class PcmOutput {
 public:
  virtual ~PcmOutput() = default;
  // Plays the sound to its end, or until `stop` is signalled, and returns then. An output that
  // cannot be opened or refuses the format plays nothing; that is no error, and nothing is
  // reported.
  virtual void Play(const WaveSound& sound, const Wakeup& stop) = 0;
};

}  // namespace korvalesen::platform
