#pragma once

// A wake-up that one thread signals and another one's event loop watches as a descriptor: on
// Linux an eventfd (platform/linux/wakeup.cpp). The Windows wing has no descriptors to watch
// and no use for it.

namespace korvalesen::platform {

class Wakeup {
 public:
  Wakeup();
  ~Wakeup();
  Wakeup(const Wakeup&) = delete;
  Wakeup& operator=(const Wakeup&) = delete;

  // Readable while signalled.
  int Descriptor() const { return fd_; }
  void Signal();
  void Drain();

 private:
  int fd_;
};

}  // namespace korvalesen::platform
