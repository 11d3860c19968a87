// The process priority class and thread priorities of Windows. The thread levels of the layer
// are Windows' own (THREAD_PRIORITY_IDLE -15 ... THREAD_PRIORITY_TIME_CRITICAL 15). A refusal
// is ignored; without the privilege to raise it, Windows gives the real-time class as high.

#include "platform/priority.h"

#include <windows.h>

namespace korvalesen::platform {
namespace {

DWORD ClassValue(ProcessClass priority_class) {
  switch (priority_class) {
    case ProcessClass::kIdle:
      return IDLE_PRIORITY_CLASS;
    case ProcessClass::kHigh:
      return HIGH_PRIORITY_CLASS;
    case ProcessClass::kRealTime:
      return REALTIME_PRIORITY_CLASS;
    case ProcessClass::kNormal:
      break;
  }
  return NORMAL_PRIORITY_CLASS;
}

class WindowsPriority final : public Priority {
 public:
  int SaveProcess() override {
    const DWORD saved = GetPriorityClass(GetCurrentProcess());
    return static_cast<int>(saved != 0 ? saved : NORMAL_PRIORITY_CLASS);
  }

  void SetProcessClass(ProcessClass priority_class) override {
    SetPriorityClass(GetCurrentProcess(), ClassValue(priority_class));
  }

  void RestoreProcess(int saved) override {
    SetPriorityClass(GetCurrentProcess(), static_cast<DWORD>(saved));
  }

  long CurrentThread() override { return static_cast<long>(GetCurrentThreadId()); }

  void SetThread(long thread, int level) override {
    const HANDLE handle = OpenThread(THREAD_SET_INFORMATION, FALSE, static_cast<DWORD>(thread));
    if (handle == nullptr) return;
    SetThreadPriority(handle, level);
    CloseHandle(handle);
  }
};

}  // namespace

Priority& SystemPriority() {
  static WindowsPriority priority;
  return priority;
}

}  // namespace korvalesen::platform
