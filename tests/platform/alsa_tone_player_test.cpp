// The ALSA output on ALSA's own devices without sound hardware: the file device writes what it
// is given to a WAVE file (through the null device, which takes samples as fast as they come),
// so the test sees format and samples as the library received them.
#include "platform/linux/alsa_tone_player.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>

#include "board/port_found_tone.h"
#include "platform/posix/background_tone_player.h"
#include "tests/platform/wave_images.h"

namespace korvalesen::platform {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::CountingSamples;
using testing::PcmImage;

class AlsaOutputTest : public ::testing::Test {
 protected:
  void TearDown() override { std::filesystem::remove(path_); }

  // The device that writes to this test's file.
  std::string FileDevice() const { return "file:FILE=" + path_.string() + ",FORMAT=wav"; }

  // The file's image, when it holds a complete WAVE.
  std::optional<Bytes> FileImage() const {
    std::ifstream in(path_, std::ios::binary);
    Bytes image{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!ReadWaveImage(image)) return std::nullopt;
    return image;
  }

  static Bytes Samples(const Bytes& image) {
    const auto sound = ReadWaveImage(image);
    return sound ? Bytes(sound->samples.begin(), sound->samples.end()) : Bytes{};
  }

  const std::filesystem::path path_ =
      std::filesystem::temp_directory_path() /
      ("korvalesen_tone_" + std::to_string(getpid()) + "_" +
       ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".wav");
  const PortFoundToneImage tone_ = BuildPortFoundTone();
  Wakeup stop_;
};

TEST_F(AlsaOutputTest, TheToneReachesTheDeviceWholeAsUnsignedEightBitMonoAt22050) {
  MakeAlsaPcmOutput(FileDevice())->Play(*ReadWaveImage(tone_), stop_);
  const auto written = FileImage();
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(ReadWaveImage(*written)->format, (WaveFormat{1, 22050, 8}));
  EXPECT_EQ(Samples(*written), Bytes(tone_.begin() + 46, tone_.end()));
}

TEST_F(AlsaOutputTest, SixteenBitStereoKeepsItsFormatAndSamples) {
  const WaveFormat format{2, 44100, 16};
  const Bytes image = PcmImage(format, CountingSamples(40'000));
  MakeAlsaPcmOutput(FileDevice())->Play(*ReadWaveImage(image), stop_);
  const auto written = FileImage();
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(ReadWaveImage(*written)->format, format);
  EXPECT_EQ(Samples(*written), CountingSamples(40'000));
}

TEST_F(AlsaOutputTest, AStopThatCameFirstCutsTheSoundOff) {
  const Bytes image = PcmImage({1, 8000, 8}, CountingSamples(80'000));  // ten seconds
  stop_.Signal();
  MakeAlsaPcmOutput(FileDevice())->Play(*ReadWaveImage(image), stop_);
  const auto written = FileImage();
  const Bytes samples = written ? Samples(*written) : Bytes{};
  EXPECT_LT(samples.size(), 80'000u);
  EXPECT_TRUE(std::equal(samples.begin(), samples.end(), CountingSamples(80'000).begin()));
}

TEST_F(AlsaOutputTest, AMissingOrUnusableDeviceIsNoErrorAndWritesNothingToTheConsole) {
  ::testing::internal::CaptureStderr();
  MakeAlsaPcmOutput("korvalesen_no_such_device")->Play(*ReadWaveImage(tone_), stop_);
  MakeAlsaPcmOutput("file:FILE=/nonexistent/korvalesen.wav,FORMAT=wav")
      ->Play(*ReadWaveImage(tone_), stop_);
  MakeAlsaPcmOutput("hw:97")->Play(*ReadWaveImage(tone_), stop_);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(std::filesystem::exists("/nonexistent/korvalesen.wav"));
}

TEST_F(AlsaOutputTest, ThePlayerHandsTheToneToAlsaAndItArrivesWhole) {
  BackgroundTonePlayer player(MakeAlsaPcmOutput(FileDevice()));
  player.PlayAsync(tone_);
  // The worker writes the file after PlayAsync has returned; wait for it to be complete.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  std::optional<Bytes> written;
  while (!(written = FileImage()) || Samples(*written).size() < 1956) {
    if (std::chrono::steady_clock::now() > deadline) break;
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(Samples(*written), Bytes(tone_.begin() + 46, tone_.end()));
}

}  // namespace
}  // namespace korvalesen::platform
