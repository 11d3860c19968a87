#include "platform/linux/alsa_tone_player.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <vector>

#include "platform/posix/background_tone_player.h"

namespace korvalesen::platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned kLatencyMicroseconds = 100'000;

// Stands in for ALSA's handler, which writes every failure to stderr.
void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

// An open playback stream. Closing it also frees ALSA's cache of its configuration files,
// which the library keeps for the life of the process otherwise.
class PcmHandle {
 public:
  explicit PcmHandle(snd_pcm_t* pcm) : pcm_(pcm) {}
  PcmHandle(const PcmHandle&) = delete;
  PcmHandle& operator=(const PcmHandle&) = delete;
  ~PcmHandle() {
    if (pcm_ != nullptr) snd_pcm_close(pcm_);
    snd_config_update_free_global();
  }
  snd_pcm_t* Get() const { return pcm_; }

 private:
  snd_pcm_t* pcm_;
};

// Waits until the stream takes more frames (true) or `stop` is signalled (false).
bool WaitWritable(snd_pcm_t* pcm, const Wakeup& stop) {
  const int count = snd_pcm_poll_descriptors_count(pcm);
  if (count <= 0) return false;
  std::vector<pollfd> fds(static_cast<std::size_t>(count) + 1);
  fds[0] = {stop.Descriptor(), POLLIN, 0};
  if (snd_pcm_poll_descriptors(pcm, &fds[1], static_cast<unsigned>(count)) != count) return false;
  while (true) {
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (fds[0].revents != 0) return false;
    unsigned short events = 0;
    if (snd_pcm_poll_descriptors_revents(pcm, &fds[1], static_cast<unsigned>(count), &events) < 0) {
      return false;
    }
    // An error event means an underrun or a lost device; the write tells which.
    if ((events & (POLLOUT | POLLERR)) != 0) return true;
  }
}

// Waits until `stop` is signalled (true) or the time is over (false).
bool WaitStop(const Wakeup& stop, std::chrono::milliseconds time) {
  pollfd fd{stop.Descriptor(), POLLIN, 0};
  return poll(&fd, 1, static_cast<int>(time.count())) > 0;
}

std::chrono::milliseconds FramesTime(snd_pcm_uframes_t frames, unsigned rate) {
  return std::chrono::milliseconds(frames * 1000u / rate + 1u);
}

// Writes all frames; false when `stop` cut them off or the stream failed.
bool WriteFrames(snd_pcm_t* pcm, const WaveSound& sound, const Wakeup& stop) {
  const std::size_t frame_bytes = sound.format.FrameBytes();
  const snd_pcm_uframes_t total = sound.samples.size() / frame_bytes;
  snd_pcm_uframes_t done = 0;
  while (done < total) {
    if (!WaitWritable(pcm, stop)) return false;
    const snd_pcm_sframes_t written =
        snd_pcm_writei(pcm, sound.samples.data() + done * frame_bytes, total - done);
    if (written == -EAGAIN) continue;
    // An underrun (the thread came too late) is repaired; anything else ends the tone.
    if (written == -EPIPE && snd_pcm_prepare(pcm) == 0) continue;
    if (written < 0) return false;
    done += static_cast<snd_pcm_uframes_t>(written);
  }
  return true;
}

// Lets the stream play what it holds; false when `stop` came first or it cannot start. A sound
// shorter than the buffer has not started yet. The wait is bounded, for devices whose delay does
// not go down.
bool PlayOut(snd_pcm_t* pcm, const WaveSound& sound, const Wakeup& stop) {
  if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED && snd_pcm_start(pcm) < 0) return false;
  const unsigned rate = sound.format.samples_per_second;
  const auto deadline = Clock::now() +
                        FramesTime(sound.samples.size() / sound.format.FrameBytes(), rate) +
                        std::chrono::seconds(1);
  snd_pcm_sframes_t delay = 0;
  while (snd_pcm_state(pcm) == SND_PCM_STATE_RUNNING && Clock::now() < deadline &&
         snd_pcm_delay(pcm, &delay) == 0 && delay > 0) {
    if (WaitStop(stop, FramesTime(static_cast<snd_pcm_uframes_t>(delay), rate))) return false;
  }
  return true;
}

class AlsaPcmOutput final : public PcmOutput {
 public:
  explicit AlsaPcmOutput(std::string device_name) : device_name_(std::move(device_name)) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(IgnoreAlsaMessage); });
  }

  void Play(const WaveSound& sound, const Wakeup& stop) override {
    if (sound.samples.empty()) return;
    snd_pcm_t* raw = nullptr;
    const int opened =
        snd_pcm_open(&raw, device_name_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    const PcmHandle pcm(opened == 0 ? raw : nullptr);
    if (opened != 0) return;  // no sound device: nothing plays
    const snd_pcm_format_t format =
        sound.format.bits_per_sample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    if (snd_pcm_set_params(pcm.Get(), format, SND_PCM_ACCESS_RW_INTERLEAVED, sound.format.channels,
                           sound.format.samples_per_second, 1, kLatencyMicroseconds) != 0) {
      return;
    }
    if (WriteFrames(pcm.Get(), sound, stop) && PlayOut(pcm.Get(), sound, stop)) {
      // What is left is a few frames at most; the blocking drain ends almost at once.
      snd_pcm_nonblock(pcm.Get(), 0);
      snd_pcm_drain(pcm.Get());
    } else {
      snd_pcm_drop(pcm.Get());
    }
  }

 private:
  std::string device_name_;
};

}  // namespace

std::unique_ptr<PcmOutput> MakeAlsaPcmOutput(std::string device_name) {
  return std::make_unique<AlsaPcmOutput>(std::move(device_name));
}

TonePlayer& SystemTonePlayer() {
  static BackgroundTonePlayer player(MakeAlsaPcmOutput("default"));
  return player;
}

}  // namespace korvalesen::platform
