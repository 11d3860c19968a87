// The tone player of Windows: PlaySound of the in-memory WAVE image, without waiting. Windows
// plays from the caller's memory, which the layer's contract keeps valid while the tone plays;
// a new tone cuts off the one that plays. Without a sound device PlaySound fails, which is no
// error here, and neither is a missing winmm.dll, which is loaded from the system folder.

#include <windows.h>
// After windows.h:
#include <mmsystem.h>

#include "platform/tone_player.h"
#include "platform/win32/system_library.h"

namespace korvalesen::platform {
namespace {

class PlaySoundTonePlayer final : public TonePlayer {
 public:
  void PlayAsync(std::span<const std::uint8_t> wave_image) override {
    if (play_ == nullptr) return;
    play_(reinterpret_cast<LPCWSTR>(wave_image.data()), nullptr,
          SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
  }

 private:
  decltype(&::PlaySoundW) play_ =
      SystemFunction<decltype(&::PlaySoundW)>(LoadSystemLibrary(L"winmm.dll"), "PlaySoundW");
};

}  // namespace

TonePlayer& SystemTonePlayer() {
  static PlaySoundTonePlayer player;
  return player;
}

}  // namespace korvalesen::platform
