#pragma once

// Ending the process. The status tells a caller how the run went: 0 only after a complete,
// successful run; otherwise the stage that failed last.

namespace korvalesen {

enum class ExitStatus : int {
  kSuccess = 0,
  kPortSearch = 1,  // also: window closed before the board was read
  kBoardLink = 2,
  kResultFiles = 3,
  kUpload = 4,
};

// Terminates at once with the status; the registered exit routines run, control returns
// neither to the caller nor to the message loop.
[[noreturn]] void EndProcess(ExitStatus status);

// What EndProcess does instead of exiting: tests install a hook that throws, so that a run can
// be checked in process. A hook must not return; if it does, the process exits anyway.
using ProcessEndHook = void (*)(ExitStatus status);
void SetProcessEndHook(ProcessEndHook hook);

}  // namespace korvalesen
