#pragma once

// The sound output of ALSA (libasound).

#include <memory>
#include <string>

#include "platform/posix/pcm_output.h"

namespace korvalesen::platform {

// Plays on the ALSA playback device of that name ("default" for the system's sound output).
// ALSA's own messages are kept off the console.
std::unique_ptr<PcmOutput> MakeAlsaPcmOutput(std::string device_name);

}  // namespace korvalesen::platform
