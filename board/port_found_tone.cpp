#include "board/port_found_tone.h"

#include <cstring>

namespace korvalesen {

namespace {

void PutLittleEndian(PortFoundToneImage& image, std::size_t offset, std::uint32_t value,
                     std::size_t size) {
  for (std::size_t i = 0; i < size; ++i)
    image[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

PortFoundToneImage BuildPortFoundTone() {
  PortFoundToneImage image{};
  std::memcpy(&image[0], "RIFF", 4);
  std::memcpy(&image[8], "WAVEfmt ", 8);
  PutLittleEndian(image, 16, 18, 4);     // format chunk size
  PutLittleEndian(image, 20, 1, 2);      // PCM
  PutLittleEndian(image, 22, 1, 2);      // one channel
  PutLittleEndian(image, 24, 22050, 4);  // samples per second
  PutLittleEndian(image, 28, 22050, 4);  // bytes per second
  PutLittleEndian(image, 32, 1, 2);      // block alignment
  PutLittleEndian(image, 34, 8, 2);      // bits per sample
  PutLittleEndian(image, 36, 0, 2);      // no format extension
  std::memcpy(&image[38], "data", 4);

  // A phase counter 0..5 advanced before each sample: 223 while it is below 2.5, else 31. The
  // image ends with the first sample written at phase 0 beyond byte position 2000.
  std::size_t position = 46;
  int phase = 0;
  while (true) {
    phase = phase < 5 ? phase + 1 : 0;
    image[position] = phase <= 2 ? 223 : 31;
    if (phase == 0 && position > 2000) break;
    ++position;
  }
  const auto samples = static_cast<std::uint32_t>(position + 1 - 46);
  PutLittleEndian(image, 42, samples, 4);
  PutLittleEndian(image, 4, samples + 38, 4);
  return image;
}

}  // namespace korvalesen
