#pragma once

// The user-interface thread's message loop, as the layers below the window need it: calls
// posted from any thread, timers, and (on Linux) a watch on a readable descriptor. Qt's event
// loop is one (platform/qt/), a message-only window on Windows another (platform/win32/). Posted
// calls and timer ticks run only while that thread processes messages: in its message loop,
// in an explicit message pump and inside modal boxes. A program installs its loop on the
// user-interface thread before it makes the first serial port.

#include <chrono>
#include <functional>
#include <memory>

namespace korvalesen::platform {

// A timer of the user-interface thread; made, used and destroyed there. Destroying it stops it.
class LoopTimer {
 public:
  virtual ~LoopTimer() = default;
  // Starts counting the interval from now, also when it is running already.
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual bool Active() const = 0;
  // A running timer starts counting the new interval from now.
  virtual void SetInterval(std::chrono::milliseconds interval) = 0;
  virtual std::chrono::milliseconds Interval() const = 0;
};

// A watch on a descriptor; destroying it ends the watch.
class ReadableWatch {
 public:
  virtual ~ReadableWatch() = default;
  // Ends the watch at once; allowed inside the watch's own call.
  virtual void Stop() = 0;
};

class UserInterfaceLoop {
 public:
  enum class Repeat { kPeriodic, kSingleShot };

  virtual ~UserInterfaceLoop() = default;

  // Any thread: queues `call` for the user-interface thread and wakes it. Calls run in the
  // order they were posted.
  virtual void Post(std::function<void()> call) = 0;

  // A stopped timer whose `tick` runs on the user-interface thread; a single-shot timer stops
  // before its tick.
  virtual std::unique_ptr<LoopTimer> MakeTimer(std::chrono::milliseconds interval, Repeat repeat,
                                               std::function<void()> tick) = 0;

  // Processes the messages waiting now, posted calls and due timers among them, and returns.
  virtual void ProcessMessages() = 0;

  // Calls `ready` on the user-interface thread while `descriptor` is readable. Only loops of
  // systems whose device notices come through a descriptor have it; the others raise
  // std::logic_error.
  virtual std::unique_ptr<ReadableWatch> WatchReadable(int descriptor, std::function<void()> ready);
};

// Makes `loop` the user-interface loop and the calling thread the user-interface thread. The
// loop must live until the process ends; installing another one replaces it.
void InstallUserInterfaceLoop(UserInterfaceLoop& loop);

// The installed loop; raises std::logic_error when none is installed.
UserInterfaceLoop& InstalledUserInterfaceLoop();

bool IsUserInterfaceThread();

}  // namespace korvalesen::platform
