#include "common/process_end.h"

#include <cstdlib>
#include <string>

#include "common/support_log.h"

namespace korvalesen {

namespace {
ProcessEndHook process_end_hook = nullptr;
}  // namespace

void EndProcess(ExitStatus status) {
  LogEvent("Ende, Status " + std::to_string(static_cast<int>(status)));
  if (process_end_hook != nullptr) process_end_hook(status);
  std::exit(static_cast<int>(status));
}

void SetProcessEndHook(ProcessEndHook hook) {
  process_end_hook = hook;
}

}  // namespace korvalesen
