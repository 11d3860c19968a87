#pragma once

// The plain waits of the board link and the upload: they block the thread and process no
// window messages. Tests count them and let the far end of the line act at a given wait.

#include <chrono>

namespace korvalesen {

class Pause {
 public:
  virtual ~Pause() = default;
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

// Sleeps for real.
Pause& RealPause();

}  // namespace korvalesen
