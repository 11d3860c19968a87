// Priorities as nice values. Linux keeps a nice value per thread, so the process class is
// given to every thread of the process (/proc/self/task); threads started later inherit it.
//   class: idle 19, normal 0, high -10, real time -20
//   thread level: -15 -> 19, -2 -> 10, -1 -> 5, 0 -> 0, 1 -> -5, 2 -> -10, 15 -> -20

#include "platform/priority.h"

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace korvalesen::platform {
namespace {

void SetAllThreads(int nice) {
  DIR* dir = opendir("/proc/self/task");
  if (dir == nullptr) {
    setpriority(PRIO_PROCESS, 0, nice);
    return;
  }
  while (const dirent* entry = readdir(dir)) {
    const long tid = std::strtol(entry->d_name, nullptr, 10);
    if (tid > 0) setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice);  // refusal ignored
  }
  closedir(dir);
}

class LinuxPriority final : public Priority {
 public:
  int SaveProcess() override {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, 0);
    return errno == 0 ? nice : 0;
  }

  void SetProcessClass(ProcessClass priority_class) override {
    switch (priority_class) {
      case ProcessClass::kIdle:
        SetAllThreads(19);
        break;
      case ProcessClass::kNormal:
        SetAllThreads(0);
        break;
      case ProcessClass::kHigh:
        SetAllThreads(-10);
        break;
      case ProcessClass::kRealTime:
        SetAllThreads(-20);
        break;
    }
  }

  void RestoreProcess(int saved) override { SetAllThreads(saved); }

  long CurrentThread() override { return static_cast<long>(gettid()); }

  void SetThread(long thread, int level) override {
    int nice = 0;
    if (level <= -15)
      nice = 19;
    else if (level >= 15)
      nice = -20;
    else
      nice = -5 * level;
    setpriority(PRIO_PROCESS, static_cast<id_t>(thread), nice);  // refusal ignored
  }
};

}  // namespace

Priority& SystemPriority() {
  static LinuxPriority priority;
  return priority;
}

}  // namespace korvalesen::platform
