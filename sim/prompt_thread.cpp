#include "sim/prompt_thread.h"

#include "platform/priority.h"

namespace korvalesen::sim {

void RunPromptly() {
#ifdef _WIN32
  // Under Wine, korvalesen-sim.exe with its line's thread at time-critical priority did not
  // finish its exit after refusing its command line; the simulator runs at normal priority
  // there.
#else
  platform::Priority& priority = platform::SystemPriority();
  priority.SetThread(priority.CurrentThread(), 15);
#endif
}

}  // namespace korvalesen::sim
