#pragma once

// The systems the program stands on: the serial devices, the device namespace and the
// priorities of the serial port, the tone player, the plain waits and the FTP server. The
// product uses the real ones; tests and the simulator-driven variant put in the virtual
// computer and a loopback server.

#include <functional>

#include "common/pause.h"
#include "platform/tone_player.h"
#include "serial/com_port.h"
#include "upload/result_upload.h"

namespace korvalesen {

struct ProgramServices {
  ComPortServices serial = SystemComPortServices();
  platform::TonePlayer* tone = &platform::SystemTonePlayer();
  Pause* pause = &RealPause();
  UploadSettings upload;
  // Called on the user-interface thread once its loop is installed and the window exists,
  // before the window is shown (korvalesen-sim starts its measurements there).
  std::function<void()> onLoopStart;
};

}  // namespace korvalesen
