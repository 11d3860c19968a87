// The program entry: the application object, the one window and the message loop.

#include <QApplication>

#include "app/main_form.h"
#include "app/message_boxes.h"
#include "app/readout_sequence.h"
#include "common/exception_display.h"

int main(int argc, char* argv[]) {
  using namespace korvalesen;
  // The program reads no command line: the toolkit sees the program name only.
  int toolkit_argc = argc > 0 ? 1 : 0;
  QApplication application(toolkit_argc, argv);
  QApplication::setApplicationName(kApplicationTitle);
  SetExceptionDisplay(ShowExceptionBox);

  try {
    TMainForm MainForm;
    ReadoutSequence readout(MainForm);
    MainForm.SetTimer1Handler([&readout] { readout.Run(); });
    MainForm.show();
    QApplication::exec();
    return static_cast<int>(readout.StatusOnClose());
  } catch (...) {
    ShowCurrentException();
    return static_cast<int>(ExitStatus::kPortSearch);
  }
}
