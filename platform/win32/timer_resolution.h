#pragma once

// The system timer's resolution raised to 1 ms for as long as the object lives. Windows 10 2004
// and later keep a process's sleeps and waits at the default tick of about 15.6 ms otherwise,
// which stretches every short pause of the readout. Windows drops the request when the process
// ends, also when it ends without unwinding (timeBeginPeriod's documentation).

namespace korvalesen::platform {

class FineTimerResolution {
 public:
  FineTimerResolution();
  ~FineTimerResolution();
  FineTimerResolution(const FineTimerResolution&) = delete;
  FineTimerResolution& operator=(const FineTimerResolution&) = delete;

  // Whether the system granted it; without it the pauses are as coarse as the system's tick.
  bool Granted() const { return granted_; }

 private:
  bool granted_ = false;
};

}  // namespace korvalesen::platform
