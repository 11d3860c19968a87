// main() for tests that need Qt's application object: QApplication for widgets
// (KORVALESEN_TEST_WIDGETS), otherwise QCoreApplication, whose event loop the hand-over to the
// user-interface thread and the timers run in.

#include <gtest/gtest.h>

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
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
