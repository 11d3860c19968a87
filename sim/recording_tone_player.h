#pragma once

// The tone player of tests: records a copy of every image it is asked to play.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/tone_player.h"

namespace korvalesen::sim {

class RecordingTonePlayer final : public platform::TonePlayer {
 public:
  void PlayAsync(std::span<const std::uint8_t> wave_image) override {
    played_.emplace_back(wave_image.begin(), wave_image.end());
  }

  // The images in the order they were played.
  const std::vector<std::vector<std::uint8_t>>& Played() const { return played_; }

 private:
  std::vector<std::vector<std::uint8_t>> played_;
};

}  // namespace korvalesen::sim
