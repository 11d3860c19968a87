#include "platform/standard_output.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

namespace korvalesen::platform {

void WriteStandardOutputAsUtf8Bytes() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
  // Without a console (output to a pipe or a file) this fails, and nothing needs it.
  SetConsoleOutputCP(CP_UTF8);
}

}  // namespace korvalesen::platform
