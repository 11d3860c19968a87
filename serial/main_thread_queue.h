#pragma once

// The hand-over of calls from other threads to the user-interface thread, on QtCore. The
// queue runs whenever the user-interface thread processes events: in exec, in
// QCoreApplication::processEvents and in modal dialogs. The caller blocks until its call has
// run; an exception of the call is carried back and raised again in the caller.
//
// Internally the calls wait in a queue of our own; an eventfd watched by a QSocketNotifier on
// the user-interface thread wakes it, so no Qt object crosses threads.

#include <functional>
#include <memory>
#include <mutex>

namespace korvalesen {

// Creates the queue on the calling thread, which must be the thread of the
// QCoreApplication; later calls do nothing. The serial port's constructor calls it.
void InstallUserInterfaceQueue();
bool IsUserInterfaceThread();

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
