#include "platform/posix/wave_image.h"

#include <algorithm>
#include <cstring>

namespace korvalesen::platform {

namespace {

constexpr std::uint16_t kPcmTag = 1;
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kFormatBytes = 16;  // the fields of a PCM format chunk, without extension

std::uint32_t LittleEndian(std::span<const std::uint8_t> bytes, std::size_t offset,
                           std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = size; i-- > 0;) value = (value << 8) | bytes[offset + i];
  return value;
}

bool HasId(std::span<const std::uint8_t> bytes, std::size_t offset, const char (&id)[5]) {
  return std::memcmp(bytes.data() + offset, id, 4) == 0;
}

// The format of a "fmt " chunk's body, when it is PCM that we can play.
std::optional<WaveFormat> ReadFormat(std::span<const std::uint8_t> body) {
  if (body.size() < kFormatBytes || LittleEndian(body, 0, 2) != kPcmTag) return std::nullopt;
  WaveFormat format;
  format.channels = static_cast<std::uint16_t>(LittleEndian(body, 2, 2));
  format.samples_per_second = LittleEndian(body, 4, 4);
  format.bits_per_sample = static_cast<std::uint16_t>(LittleEndian(body, 14, 2));
  const std::uint32_t block_align = LittleEndian(body, 12, 2);
  if (format.channels == 0 || format.samples_per_second == 0 ||
      (format.bits_per_sample != 8 && format.bits_per_sample != 16) ||
      block_align != format.FrameBytes()) {
    return std::nullopt;
  }
  return format;
}

}  // namespace

std::optional<WaveSound> ReadWaveImage(std::span<const std::uint8_t> image) {
  if (image.size() < 12 || !HasId(image, 0, "RIFF") || !HasId(image, 8, "WAVE")) {
    return std::nullopt;
  }
  const std::uint32_t riff_size = LittleEndian(image, 4, 4);
  if (riff_size < 4 || riff_size > image.size() - kChunkHeaderBytes) return std::nullopt;
  const auto chunks = image.subspan(0, kChunkHeaderBytes + riff_size);

  std::optional<WaveFormat> format;
  std::optional<std::span<const std::uint8_t>> data;
  std::size_t offset = 12;
  while (!(format && data) && chunks.size() - offset >= kChunkHeaderBytes) {
    const std::uint32_t size = LittleEndian(chunks, offset + 4, 4);
    const std::size_t body_offset = offset + kChunkHeaderBytes;
    if (size > chunks.size() - body_offset) return std::nullopt;
    const auto body = chunks.subspan(body_offset, size);
    if (HasId(chunks, offset, "fmt ") && !format) {
      format = ReadFormat(body);
      if (!format) return std::nullopt;
    } else if (HasId(chunks, offset, "data") && !data) {
      data = body;
    }
    // A chunk of odd size is followed by one pad byte, which the last chunk may lack.
    offset = std::min(chunks.size(), body_offset + size + (size & 1u));
  }
  if (!format || !data) return std::nullopt;
  const std::size_t frame_bytes = format->FrameBytes();
  return WaveSound{*format, data->first(data->size() / frame_bytes * frame_bytes)};
}

}  // namespace korvalesen::platform
