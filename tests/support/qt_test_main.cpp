// main() for tests that need the application object: widgets, timers and the event loop.

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[]) {
  // Tests never need a display; listing them (at build time) does not get CTest's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
