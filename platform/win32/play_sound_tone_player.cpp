// The tone player of Windows: PlaySound of the in-memory WAVE image, without waiting. Windows
// plays from the caller's memory, which the layer's contract keeps valid while the tone plays;
// a new tone cuts off the one that plays. Without a sound device PlaySound fails, which is no
// error here.

#include <windows.h>
// After windows.h:
#include <mmsystem.h>

#include "platform/tone_player.h"

namespace korvalesen::platform {
namespace {

class PlaySoundTonePlayer final : public TonePlayer {
 public:
  void PlayAsync(std::span<const std::uint8_t> wave_image) override {
    PlaySoundW(reinterpret_cast<LPCWSTR>(wave_image.data()), nullptr,
               SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
  }
};

}  // namespace

TonePlayer& SystemTonePlayer() {
  static PlaySoundTonePlayer player;
  return player;
}

}  // namespace korvalesen::platform
