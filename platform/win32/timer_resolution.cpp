#include "platform/win32/timer_resolution.h"

#include <windows.h>
// After windows.h, which it needs.
#include <timeapi.h>

namespace korvalesen::platform {

FineTimerResolution::FineTimerResolution() : granted_(timeBeginPeriod(1) == TIMERR_NOERROR) {}

FineTimerResolution::~FineTimerResolution() {
  if (granted_) timeEndPeriod(1);
}

}  // namespace korvalesen::platform
