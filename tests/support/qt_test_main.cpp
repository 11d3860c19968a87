// main() for tests that need Qt's application object: QApplication for widgets
// (KORVALESEN_TEST_WIDGETS), otherwise QCoreApplication. Its event loop is installed as the
// user-interface loop, in which the hand-over to that thread and the timers run.

#include <gtest/gtest.h>

#include "platform/qt/qt_user_interface_loop.h"

#if KORVALESEN_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char* argv[]) {
  // Tests never need a display; listing them (at build time) does not get CTest's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TestApplication application(argc, argv);
  korvalesen::platform::InstallQtUserInterfaceLoop();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
