#include "app/program_run.h"

#include <QApplication>

#include "app/main_form.h"
#include "app/message_boxes.h"
#include "app/readout_sequence.h"
#include "common/exception_display.h"
#include "platform/qt/qt_user_interface_loop.h"

namespace korvalesen {

namespace {

// Calls the hook when the sequence is left, by return or by an error.
class AfterReadoutCall {
 public:
  AfterReadoutCall(const AfterReadout& hook, QtMainFormView& window)
      : hook_(hook), window_(window) {}
  ~AfterReadoutCall() {
    if (hook_) hook_(window_);
  }
  AfterReadoutCall(const AfterReadoutCall&) = delete;
  AfterReadoutCall& operator=(const AfterReadoutCall&) = delete;

 private:
  const AfterReadout& hook_;
  QtMainFormView& window_;
};

}  // namespace

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
    TMainForm MainForm(view, services);
    ReadoutSequence readout(MainForm);
    MainForm.SetTimer1Handler([&] {
      const AfterReadoutCall after(after_readout, view);
      readout.Run();
    });
    view.show();
    QApplication::exec();
    return static_cast<int>(readout.StatusOnClose());
  } catch (...) {
    ShowCurrentException();
    return static_cast<int>(ExitStatus::kPortSearch);
  }
}

}  // namespace korvalesen
