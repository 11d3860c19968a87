#pragma once

// Reading a RIFF/WAVE image held in memory: the PCM format and the samples it carries.

#include <cstdint>
#include <optional>
#include <span>

namespace korvalesen::platform {

struct WaveFormat {
  std::uint16_t channels = 0;
  std::uint32_t samples_per_second = 0;
  std::uint16_t bits_per_sample = 0;  // 8 (unsigned) or 16 (signed, little-endian)

  // The bytes of one sample for every channel.
  std::size_t FrameBytes() const { return std::size_t{channels} * (bits_per_sample / 8u); }
  bool operator==(const WaveFormat&) const = default;
};

struct WaveSound {
  WaveFormat format;
  std::span<const std::uint8_t> samples;  // whole frames only, a view into the image
};

// The sound of an uncompressed PCM WAVE image with 8 or 16 bits per sample; nothing when the
// image is not one, or when a size in it points beyond the image. Chunks other than "fmt " and
// "data" are skipped; a trailing part frame of the data is left out.
std::optional<WaveSound> ReadWaveImage(std::span<const std::uint8_t> image);

}  // namespace korvalesen::platform
