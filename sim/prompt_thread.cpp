#include "sim/prompt_thread.h"

#include "platform/priority.h"

namespace korvalesen::sim {

void RunPromptly() {
  platform::Priority& priority = platform::SystemPriority();
  priority.SetThread(priority.CurrentThread(), 15);
}

}  // namespace korvalesen::sim
