#include "sim/prompt_thread.h"

#include "platform/priority.h"

namespace korvalesen::sim {

void RunPromptly() {
#ifdef _WIN32
  // Under Wine, a process that ends while such a thread starts never finishes its exit (seen
  // with a command line refused at once); the simulator runs at normal priority there.
#else
  platform::Priority& priority = platform::SystemPriority();
  priority.SetThread(priority.CurrentThread(), 15);
#endif
}

}  // namespace korvalesen::sim
