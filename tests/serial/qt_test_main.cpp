// GoogleTest main with a QCoreApplication, so that the hand-over to the user-interface
// thread has an event loop to run in.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
