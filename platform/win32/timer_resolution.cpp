#include "platform/win32/timer_resolution.h"

#include <windows.h>
// After windows.h, which it needs.
#include <timeapi.h>

#include "platform/win32/system_library.h"

namespace korvalesen::platform {
namespace {

// winmm.dll is no KnownDLL: it is loaded from the system folder, never from the program's.
HMODULE Winmm() {
  static const HMODULE library = LoadSystemLibrary(L"winmm.dll");
  return library;
}

}  // namespace

FineTimerResolution::FineTimerResolution() {
  const auto begin = SystemFunction<decltype(&::timeBeginPeriod)>(Winmm(), "timeBeginPeriod");
  granted_ = begin != nullptr && begin(1) == TIMERR_NOERROR;
}

FineTimerResolution::~FineTimerResolution() {
  if (!granted_) return;
  if (const auto end = SystemFunction<decltype(&::timeEndPeriod)>(Winmm(), "timeEndPeriod")) end(1);
}

}  // namespace korvalesen::platform
