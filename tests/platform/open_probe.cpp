// Tries to open the device named by argv[1] through the termios layer; exits with the error
// code (0 when the open succeeded).
#include "platform/comm_device.h"

int main(int argc, char** argv) {
  if (argc < 2) return 100;
  try {
    korvalesen::platform::SystemCommDevices().Open(argv[1], {});
  } catch (const korvalesen::platform::SysError& e) {
    return e.Code();
  }
  return 0;
}
