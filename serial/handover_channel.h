#pragma once

// The hand-over of calls from other threads to the user-interface thread. The queue runs
// whenever the user-interface thread processes messages: in its message loop, in an explicit
// message pump and in modal boxes. The caller blocks until its call has run; an exception of
// the call is carried back and raised again in the caller.
//
// The calls wait in a queue of our own; a call posted to the installed user-interface loop
// (platform/user_interface_loop.h) wakes that thread to run them.

#include <functional>
#include <memory>
#include <mutex>

namespace korvalesen {

// One caller's channel to the user-interface thread (the event thread has one).
class HandoverChannel {
 public:
  HandoverChannel() = default;
  HandoverChannel(const HandoverChannel&) = delete;
  HandoverChannel& operator=(const HandoverChannel&) = delete;

  // Runs `call` on the user-interface thread and waits for it; on that thread itself it runs
  // at once. Returns false, without running `call`, when the channel is closed before the
  // call could start.
  bool Call(std::function<void()> call);

  // On the user-interface thread: closes the channel for good. A call still queued is dropped
  // and its caller released. Returns true when a call of this channel is running right now
  // (so it is nested on the caller's own stack and its caller cannot be waited for).
  bool Close();

  struct Job;

 private:
  bool closed_ = false;           // guarded by the queue's mutex
  std::shared_ptr<Job> current_;  // guarded by the queue's mutex
};

}  // namespace korvalesen
