// The WAVE image reader on the program's own tone, on images laid out in other legal ways and
// on broken ones.
#include "platform/posix/wave_image.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "board/port_found_tone.h"
#include "tests/platform/wave_images.h"

namespace korvalesen::platform {
namespace {

using testing::Bytes;
using testing::Chunk;
using testing::CountingSamples;
using testing::FormatBody;
using testing::PcmImage;
using testing::RiffImage;

constexpr WaveFormat kMono8{1, 22050, 8};
constexpr WaveFormat kStereo16{2, 44100, 16};

Bytes ToneImage() {
  const PortFoundToneImage tone = BuildPortFoundTone();
  return {tone.begin(), tone.end()};
}

Bytes Prefix(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

Bytes Patched(Bytes image, std::size_t offset, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) {
    image[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  return image;
}

struct Readable {
  std::string name;
  Bytes image;
  WaveFormat format;
  std::size_t samples_offset;  // where the samples start in the image
  std::size_t samples_size;
};

class ReadableImages : public ::testing::TestWithParam<Readable> {};

TEST_P(ReadableImages, GiveTheFormatAndTheSamplesInPlace) {
  const Readable& c = GetParam();
  const auto sound = ReadWaveImage(c.image);
  ASSERT_TRUE(sound.has_value());
  EXPECT_EQ(sound->format, c.format);
  EXPECT_EQ(sound->samples.data(), c.image.data() + c.samples_offset);
  EXPECT_EQ(sound->samples.size(), c.samples_size);
}

Bytes FormatWithExtension(std::size_t extension) {
  return FormatBody(kMono8, 1, extension);
}

INSTANTIATE_TEST_SUITE_P(
    WaveImage, ReadableImages,
    ::testing::Values(
        Readable{"ThePortFoundTone", ToneImage(), kMono8, 46, 1956},
        Readable{"SixteenBitStereo", PcmImage(kStereo16, CountingSamples(400)), kStereo16, 44, 400},
        Readable{"UnknownChunksOfOddSizeAreSkippedWithTheirPad",
                 RiffImage({{"LIST", CountingSamples(3)},
                            {"fmt ", FormatBody(kMono8)},
                            {"fact", CountingSamples(4)},
                            {"data", CountingSamples(10)}}),
                 kMono8, 12 + 12 + 24 + 12 + 8, 10},
        Readable{"AFormatExtensionOfTwentyBytes",
                 RiffImage({{"fmt ", FormatWithExtension(20)}, {"data", CountingSamples(7)}}),
                 kMono8, 12 + 8 + 36 + 8, 7},
        Readable{"DataBeforeTheFormat",
                 RiffImage({{"data", CountingSamples(6)}, {"fmt ", FormatBody(kMono8)}}), kMono8,
                 20, 6},
        Readable{"AnOddLastChunkWithoutItsPadByte",
                 RiffImage({{"fmt ", FormatBody(kMono8)}, {"data", CountingSamples(5), false}}),
                 kMono8, 44, 5},
        Readable{"APartFrameAtTheEndIsLeftOut", PcmImage(kStereo16, CountingSamples(7)), kStereo16,
                 44, 4},
        Readable{"BytesAfterTheRiffSizeAreNotLookedAt",
                 [] {
                   Bytes image = ToneImage();
                   image.resize(image.size() + 5, 0xEE);
                   return image;
                 }(),
                 kMono8, 46, 1956},
        Readable{"NoSamples", PcmImage(kMono8, {}), kMono8, 44, 0}),
    [](const auto& param_info) { return param_info.param.name; });

struct Broken {
  std::string name;
  Bytes image;
};

class BrokenImages : public ::testing::TestWithParam<Broken> {};

TEST_P(BrokenImages, GiveNothing) {
  // An image of exactly its size: a read beyond its end shows under AddressSanitizer.
  const Bytes& image = GetParam().image;
  const auto exact = std::make_unique<std::uint8_t[]>(image.size());
  std::copy(image.begin(), image.end(), exact.get());
  EXPECT_FALSE(ReadWaveImage({exact.get(), image.size()}).has_value());
}

Bytes WithFormat(Bytes format_body) {
  return RiffImage({{"fmt ", std::move(format_body)}, {"data", CountingSamples(8)}});
}

INSTANTIATE_TEST_SUITE_P(
    WaveImage, BrokenImages,
    ::testing::Values(
        Broken{"Empty", {}}, Broken{"ElevenBytes", Prefix(ToneImage(), 11)},
        Broken{"NotRiff", Patched(ToneImage(), 0, 0x58464952, 4)},  // "RIFX"
        Broken{"NotWave", Patched(ToneImage(), 8, 0x20495641, 4)},  // "AVI "
        Broken{"RiffSizeBeyondTheImage", Patched(ToneImage(), 4, 1995, 4)},
        Broken{"RiffSizeTooSmallForWave", Patched(ToneImage(), 4, 3, 4)},
        Broken{"DataSizeBeyondTheImage", Patched(ToneImage(), 42, 1957, 4)},
        Broken{"ChunkSizeBeyondTheImage", Patched(RiffImage({{"LIST", Bytes(4)},
                                                             {"fmt ", FormatBody(kMono8)},
                                                             {"data", Bytes(4)}}),
                                                  16, 0xFFFFFFFC, 4)},
        Broken{"FormatChunkOfFourteenBytes", WithFormat(Prefix(FormatBody(kMono8), 14))},
        Broken{"FloatSamples", WithFormat(FormatBody({1, 22050, 32}, 3))},
        Broken{"ExtensibleFormat", WithFormat(FormatBody(kMono8, 0xFFFE, 24))},
        Broken{"NoChannels", WithFormat(FormatBody({0, 22050, 8}))},
        Broken{"NoSampleRate", WithFormat(FormatBody({1, 0, 8}))},
        Broken{"TwentyFourBits", WithFormat(FormatBody({1, 22050, 24}))},
        Broken{"BlockAlignOfAnotherFormat", WithFormat(Patched(FormatBody(kStereo16), 12, 2, 2))},
        Broken{"NoDataChunk", RiffImage({{"fmt ", FormatBody(kMono8)}, {"LIST", Bytes(8)}})},
        Broken{"NoFormatChunk", RiffImage({{"data", CountingSamples(8)}})}),
    [](const auto& param_info) { return param_info.param.name; });

TEST(WaveImage, EveryTruncationOfTheToneGivesNothing) {
  const Bytes tone = ToneImage();
  for (std::size_t size = 0; size < tone.size(); ++size) {
    const auto exact = std::make_unique<std::uint8_t[]>(size);
    std::copy(tone.begin(), tone.begin() + static_cast<std::ptrdiff_t>(size), exact.get());
    EXPECT_FALSE(ReadWaveImage({exact.get(), size}).has_value()) << size << " bytes";
  }
}

}  // namespace
}  // namespace korvalesen::platform
