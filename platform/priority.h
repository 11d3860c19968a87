#pragma once

// The priority layer: the process priority class while a port is open and the event thread's
// priority. On Linux both are nice values (platform/linux/priority.cpp); no real-time
// scheduling policy is used. On Windows they are the priority class and the thread priority
// (platform/win32/priority.cpp). A refusal (no privilege) is ignored.

namespace korvalesen::platform {

enum class ProcessClass { kIdle, kNormal, kHigh, kRealTime };

class Priority {
 public:
  virtual ~Priority() = default;
  // The process's current priority, to be given back later.
  virtual int SaveProcess() = 0;
  virtual void SetProcessClass(ProcessClass priority_class) = 0;
  virtual void RestoreProcess(int saved) = 0;
  // The calling thread's id for SetThread.
  virtual long CurrentThread() = 0;
  // `level` is the thread priority -15 (idle) to 15 (time critical).
  virtual void SetThread(long thread, int level) = 0;
};

Priority& SystemPriority();

}  // namespace korvalesen::platform
