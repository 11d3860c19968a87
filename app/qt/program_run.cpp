#include "app/program_run.h"

#include <QApplication>

#include "app/message_boxes.h"
#include "app/qt/qt_main_form_view.h"
#include "common/exception_display.h"
#include "common/process_end.h"
#include "platform/qt/qt_user_interface_loop.h"

namespace korvalesen {

int RunProgram(char* program_name, const ProgramServices& services,
               const AfterReadout& after_readout) {
  int toolkit_argc = program_name != nullptr ? 1 : 0;
  char* toolkit_argv[] = {program_name, nullptr};
  QApplication application(toolkit_argc, toolkit_argv);
  QApplication::setApplicationName(kApplicationTitle);
  platform::InstallQtUserInterfaceLoop();
  SetExceptionDisplay(ShowExceptionBox);

  try {
    QtMainFormView view;
    return RunMainForm(view, services, after_readout, [&] {
      view.show();
      QApplication::exec();
    });
  } catch (...) {
    ShowCurrentException();
    return static_cast<int>(ExitStatus::kPortSearch);
  }
}

}  // namespace korvalesen
