// main() for the Windows builds of the tests that run in the user-interface loop: the Win32
// loop's message-only window is made on the test thread first.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "platform/comm_device.h"
#include "platform/win32/win32_user_interface_loop.h"

int main(int argc, char* argv[]) {
  // Under Wine, now and then, a window is refused without an error code while other programs
  // of the prefix start or end (seen a few times in a full parallel run); Windows has no such
  // moment, and the product does not try again. The tests do, and say so.
  for (int attempt = 1;; ++attempt) {
    try {
      korvalesen::platform::InstallWin32UserInterfaceLoop();
      break;
    } catch (const korvalesen::platform::SysError& e) {
      std::fprintf(stderr, "the user-interface loop's window, attempt %d: %d %s\n", attempt,
                   e.Code(), e.what());
      if (attempt == 10) throw;
      Sleep(200);
    }
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
