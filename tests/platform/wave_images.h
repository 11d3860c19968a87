#pragma once

// RIFF/WAVE images for tests, built chunk by chunk so that tests can also get them wrong.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/wave_image.h"

namespace korvalesen::platform::testing {

using Bytes = std::vector<std::uint8_t>;

inline void Append(Bytes& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void Append(Bytes& bytes, const std::string& text) {
  for (const char c : text) bytes.push_back(static_cast<std::uint8_t>(c));
}

struct Chunk {
  std::string id;
  Bytes body;
  bool pad = true;  // the pad byte after an odd body
};

// "RIFF", the size of the rest, "WAVE" and the chunks.
inline Bytes RiffImage(const std::vector<Chunk>& chunks) {
  Bytes rest;
  Append(rest, "WAVE");
  for (const Chunk& chunk : chunks) {
    Append(rest, chunk.id);
    Append(rest, static_cast<std::uint32_t>(chunk.body.size()), 4);
    rest.insert(rest.end(), chunk.body.begin(), chunk.body.end());
    if (chunk.pad && chunk.body.size() % 2 != 0) rest.push_back(0);
  }
  Bytes image;
  Append(image, "RIFF");
  Append(image, static_cast<std::uint32_t>(rest.size()), 4);
  image.insert(image.end(), rest.begin(), rest.end());
  return image;
}

// The body of a "fmt " chunk: 16 bytes, or more with an extension.
inline Bytes FormatBody(const WaveFormat& format, std::uint16_t tag = 1,
                        std::size_t extension_bytes = 0) {
  const auto block_align = static_cast<std::uint32_t>(format.FrameBytes());
  Bytes body;
  Append(body, tag, 2);
  Append(body, format.channels, 2);
  Append(body, format.samples_per_second, 4);
  Append(body, format.samples_per_second * block_align, 4);
  Append(body, block_align, 2);
  Append(body, format.bits_per_sample, 2);
  if (extension_bytes >= 2) Append(body, static_cast<std::uint32_t>(extension_bytes - 2), 2);
  body.resize(16 + extension_bytes);
  return body;
}

inline Bytes PcmImage(const WaveFormat& format, const Bytes& samples) {
  return RiffImage({{"fmt ", FormatBody(format)}, {"data", samples}});
}

// Samples counting up from `first`, wrapping at 256.
inline Bytes CountingSamples(std::size_t count, std::uint8_t first = 0) {
  Bytes samples(count);
  for (std::size_t i = 0; i < count; ++i) samples[i] = static_cast<std::uint8_t>(first + i);
  return samples;
}

}  // namespace korvalesen::platform::testing
