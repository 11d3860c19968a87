// The program's run on Windows: the user-interface loop on the program's thread, the taskbar
// identity of the Start menu entry, the system timer at 1 ms, the exception display captioned
// "Korvalesen", the window in native controls and its message loop.

#include "app/message_boxes.h"
#include "app/program_run.h"
#include "app/win32/win32_main_form_view.h"
#include "common/exception_display.h"
#include "common/process_end.h"
#include "platform/win32/app_user_model_id.h"
#include "platform/win32/system_library.h"
#include "platform/win32/timer_resolution.h"
#include "platform/win32/win32_user_interface_loop.h"

namespace korvalesen {

// Windows gives the program its name itself; nothing of the command line is read.
int RunProgram(char* /*program_name*/, const ProgramServices& services,
               const AfterReadout& after_readout) {
  platform::RestrictDllSearchToSystem();
  platform::InstallWin32UserInterfaceLoop();
  // Refused, the taskbar pins korvalesen.exe itself instead of the Start menu entry; the
  // readout does not depend on it.
  static_cast<void>(platform::SetProgramAppUserModelId());
  // The run's pauses and polls keep their nominal lengths.
  const platform::FineTimerResolution fine_timer;
  SetExceptionDisplay(ShowExceptionBox);

  try {
    Win32MainFormView view;
    return RunMainForm(view, services, after_readout, [&] {
      view.Show();
      view.RunMessageLoop();
    });
  } catch (...) {
    ShowCurrentException();
    return static_cast<int>(ExitStatus::kPortSearch);
  }
}

}  // namespace korvalesen
