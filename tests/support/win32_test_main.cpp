// main() for the Windows builds of the tests that run in the user-interface loop: the Win32
// loop's message-only window is made on the test thread first.

#include <gtest/gtest.h>

#include "platform/win32/win32_user_interface_loop.h"

int main(int argc, char* argv[]) {
  korvalesen::platform::InstallWin32UserInterfaceLoop();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
