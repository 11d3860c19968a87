// Loads the DLLs the program loads at run time, the way it does: the search restricted to the
// system folder first, the version from its own resource, the socket library and the tone's
// winmm.dll. With "bare" it loads wsock32.dll by its bare name instead, as the program did
// before, which shows that a stand-in beside the probe is found that way.

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/program_version.h"
#include "platform/socket_api.h"
#include "platform/tone_player.h"
#include "platform/win32/system_library.h"

int main(int argc, char* argv[]) {
  if (argc > 1 && std::strcmp(argv[1], "bare") == 0) {
    return LoadLibraryW(L"wsock32.dll") != nullptr ? 0 : 1;
  }
  korvalesen::platform::RestrictDllSearchToSystem();
  const korvalesen::ProgramVersion version = korvalesen::ReadProgramVersion();
  const auto sockets = korvalesen::platform::StartSocketLibrary();
  korvalesen::platform::SystemTonePlayer();
  const bool started = sockets.outcome == korvalesen::platform::SocketStartup::kStarted;
  if (started) korvalesen::platform::StopSocketLibrary();
  std::printf("version %d.%d.%d, sockets %s\n", version.major, version.minor, version.release,
              started ? "started" : "missing");
  return started ? 0 : 1;
}
