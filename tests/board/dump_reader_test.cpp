#include "board/dump_reader.h"

#include <gmock/gmock.h>

#include <algorithm>

#include "common/windows1252.h"
#include "sim/board_dump.h"
#include "tests/board/board_link_fixture.h"

namespace korvalesen::testing {
namespace {

using namespace std::chrono_literals;

// Through a view: clang 14 crashes on a static std::string made from a _w1252 literal.
constexpr std::string_view kTimeoutText = "Datenübertragungsfehler!\n\nZeitüberschreitung."_w1252;
const std::string kTimeout(kTimeoutText);
constexpr std::string_view kMemoryEndText =
    "Datenübertragungsfehler!\n\nSpeicherende erreicht!"_w1252;
const std::string kMemoryEnd(kMemoryEndText);
constexpr std::string_view kMisplacedEndText =
    "Datenübertragungsfehler!\n\nFalsches Bestätigungsbyte!"_w1252;
const std::string kMisplacedEnd(kMisplacedEndText);

// The dump's parts: the ASCII part ends with the end marker; the trailer is the control
// character, the language, the device type and the version text with its '_'.
struct Dump {
  std::string ascii;
  std::string trailer;
  std::string Whole() const { return ascii + trailer; }
};

Dump SplitDump(const std::string& whole) {
  const auto marker = whole.find(static_cast<char>(DumpEndMarker));
  return {whole.substr(0, marker + 1), whole.substr(marker + 1)};
}

std::string Trailer(const std::string& version, char control = 3, char language = 1,
                    char device_type = 7) {
  return std::string{control, language, device_type} + version + "_";
}

// An ASCII part of 2120 fields padded with leading zeros to `length` bytes in all.
std::string PaddedAsciiPart(std::size_t length) {
  constexpr std::size_t kFields = 2120;
  const std::size_t digits = length - 8 - kFields;  // the '_', serial, extra and marker
  std::string part;
  for (std::size_t i = 0; i < kFields; ++i) {
    const std::size_t size = digits / kFields + (i < digits % kFields ? 1 : 0);
    part += std::string(size - 1, '0') + "5_";
  }
  return part + "SNR1abc" + static_cast<char>(DumpEndMarker);
}

class DumpReaderTest : public BoardLinkTest {
 protected:
  DumpReaderTest() { OpenPort(); }

  std::optional<ExitStatus> Read(const std::vector<std::string>& chunks, int gap = 1) {
    firmware_.dumpChunks = chunks;
    firmware_.chunkGap = gap;
    const auto ended = EndOf([this] { ReadConfiguration(link_, image_); });
    return ended;
  }
  void ExpectFailure(const std::optional<ExitStatus>& status, const std::string& message) {
    EXPECT_EQ(status, ExitStatus::kBoardLink);
    ASSERT_EQ(window_.boxes.size(), 1u);
    EXPECT_EQ(window_.boxes[0], (RecordingBoardWindow::Box{"Fehler", message}));
    EXPECT_FALSE(port_.Active());
  }

  ConfigImage image_;
};

TEST_F(DumpReaderTest, ACompleteDumpFillsTheImage) {
  ConfigImage board = sim::SampleBoardImage();
  board.faultNumbers[10] = 200;  // beyond the table: stored as 39
  board.versionText = "V2.13-rc";
  const std::string dump = sim::BuildDump(board);
  ASSERT_EQ(Read({dump}), std::nullopt);
  board.faultNumbers[10] = InvalidFaultNumber;
  EXPECT_EQ(image_.settings, board.settings);
  EXPECT_EQ(image_.faultTimes, board.faultTimes);
  EXPECT_EQ(image_.faultNumbers, board.faultNumbers);
  EXPECT_EQ(image_.serialNumber, board.serialNumber);
  EXPECT_EQ(image_.serialExtra, board.serialExtra);
  EXPECT_EQ(image_.languageCode, board.languageCode);
  EXPECT_EQ(image_.deviceType, board.deviceType);
  EXPECT_EQ(image_.versionText, "V2.13-rc");
  EXPECT_TRUE(window_.boxes.empty());
  EXPECT_TRUE(port_.Active());
  EXPECT_EQ(window_.status_texts,
            (std::vector<std::string>{std::string("Konfiguration aus Gerät lesen"_w1252),
                                      "Konfiguration gelesen"}));
}

TEST_F(DumpReaderTest, TheBarShowsTheFieldsReceivedByThirty) {
  const std::string dump = sim::BuildDump(sim::SampleBoardImage());
  ASSERT_EQ(Read({dump}), std::nullopt);
  const std::vector<int>& bar = window_.progress;
  ASSERT_FALSE(bar.empty());
  EXPECT_EQ(bar.front(), 0);
  EXPECT_EQ(bar.back(), 100);
  // Stage 1 sets the bar once for every byte from the first '_' on: 29 fields show 0, the
  // 30th field's '_' shows 1, the whole ASCII part reaches 70.
  const Dump parts = SplitDump(dump);
  const auto first_field = parts.ascii.find('_');
  std::size_t thirtieth = first_field;
  for (int i = 1; i < 30; ++i) thirtieth = parts.ascii.find('_', thirtieth + 1);
  EXPECT_EQ(std::count(bar.begin(), bar.end(), 0), 1 + static_cast<long>(thirtieth - first_field));
  EXPECT_EQ(bar[1 + thirtieth - first_field], 1);
  EXPECT_EQ(*std::max_element(bar.begin(), bar.end() - 1), 70);
  EXPECT_EQ(bar.size(), 2 + parts.ascii.size() - first_field);
}

TEST_F(DumpReaderTest, TheLargestAsciiPartIsAcceptedAndOneByteMoreIsNot) {
  ASSERT_EQ(Read({PaddedAsciiPart(DumpAcceptedBytes) + Trailer("x")}), std::nullopt);
  EXPECT_EQ(image_.settings[0], 5);
  EXPECT_EQ(image_.serialNumber, "SNR1");
}

TEST_F(DumpReaderTest, The63995thByteFailsEvenAsTheEndMarker) {
  ExpectFailure(Read({PaddedAsciiPart(DumpAcceptedBytes + 1) + Trailer("x")}), kMemoryEnd);
}

TEST_F(DumpReaderTest, VersionTextsOfNoneAndSixteenCharactersAreTaken) {
  const Dump parts = SplitDump(sim::BuildDump(sim::SampleBoardImage()));
  ASSERT_EQ(Read({parts.ascii + Trailer("")}), std::nullopt);
  EXPECT_EQ(image_.versionText, "");
}

TEST_F(DumpReaderTest, AVersionTextOfSixteenCharactersIsTaken) {
  const Dump parts = SplitDump(sim::BuildDump(sim::SampleBoardImage()));
  ASSERT_EQ(Read({parts.ascii + Trailer("0123456789abcdef")}), std::nullopt);
  EXPECT_EQ(image_.versionText, "0123456789abcdef");
}

TEST_F(DumpReaderTest, AVersionTextOfSeventeenCharactersFailsOnTheNextByte) {
  const Dump parts = SplitDump(sim::BuildDump(sim::SampleBoardImage()));
  ExpectFailure(Read({parts.ascii + Trailer("0123456789abcdefg")}), kMemoryEnd);
}

TEST_F(DumpReaderTest, PausesUnderFiveSecondsNeverFail) {
  const Dump parts = SplitDump(sim::BuildDump(sim::SampleBoardImage()));
  // 499 waits of 10 ms before every chunk: in the ASCII part, before the control character,
  // the language, the device type and within the version text.
  std::vector<std::string> chunks;
  for (std::size_t i = 0; i < parts.ascii.size(); i += 1000)
    chunks.push_back(parts.ascii.substr(i, 1000));
  for (const char c : parts.trailer) chunks.emplace_back(1, c);
  ASSERT_EQ(Read(chunks, 499), std::nullopt) << window_.boxes.size();
  EXPECT_EQ(image_.versionText, sim::SampleBoardImage().versionText);
}

// Silence of 500 waits after a cut-off dump fails in the stage the dump stopped in.
struct Silence {
  const char* stage;
  std::size_t trailer_bytes;  // of the trailer that arrive
  std::string message;
};

class DumpSilenceTest : public DumpReaderTest, public ::testing::WithParamInterface<Silence> {};

TEST_P(DumpSilenceTest, FailsWithTheStagesMessage) {
  const Dump parts = SplitDump(sim::BuildDump(sim::SampleBoardImage()));
  const std::size_t cut = GetParam().trailer_bytes;
  const std::string sent = cut == std::string::npos ? parts.ascii.substr(0, parts.ascii.size() / 2)
                                                    : parts.ascii + parts.trailer.substr(0, cut);
  ExpectFailure(Read({sent}), GetParam().message);
  EXPECT_EQ(firmware_.wasteAfterLastChunk, 500);
}

INSTANTIATE_TEST_SUITE_P(
    EachStage, DumpSilenceTest,
    ::testing::Values(
        Silence{"AsciiPart", std::string::npos, kTimeout},
        Silence{"ControlCharacter", 0,
                "Datenübertragungsfehler!\n\nZeitüberschreitung.\nFirmware in LCD-Platine "
                "vermutlich nicht kompatibel!"_w1252.data()},
        Silence{"Language", 1, kTimeout},
        Silence{"DeviceType", 2,
                "Datenübertragungsfehler!\n\nZeitüberschreitung.\n"
                "Gerätetyp-Kennzeichen nicht empfangen!"_w1252.data()},
        Silence{"VersionText", 5, kTimeout}),
    [](const auto& param_info) { return std::string(param_info.param.stage); });

TEST_F(DumpReaderTest, TheSilenceLimitIsFiveSecondsByTheClock) {
  const Dump parts = SplitDump(sim::BuildDump(sim::SampleBoardImage()));
  pause_.lasts = [](std::chrono::milliseconds asked) { return asked == 10ms ? 16ms : asked; };
  ExpectFailure(Read({parts.ascii.substr(0, 100)}), kTimeout);
  EXPECT_EQ(firmware_.wasteAfterLastChunk, 313);  // 5000 / 16, rounded up
}

TEST_F(DumpReaderTest, TheDeviceTypeWaitPumpsMessages) {
  const Dump parts = SplitDump(sim::BuildDump(sim::SampleBoardImage()));
  ExpectFailure(Read({parts.ascii + parts.trailer.substr(0, 2)}),
                "Datenübertragungsfehler!\n\nZeitüberschreitung.\n"
                "Gerätetyp-Kennzeichen nicht empfangen!"_w1252.data());
  // Stage 1 pumps once per byte from the first '_' on, stage 4 once per empty poll; the
  // parse never ran.
  const auto first_field = parts.ascii.find('_');
  EXPECT_EQ(window_.processed_messages, static_cast<int>(parts.ascii.size() - first_field) + 500);
}

TEST_F(DumpReaderTest, AWrongControlCharacter) {
  const Dump parts = SplitDump(sim::BuildDump(sim::SampleBoardImage()));
  ExpectFailure(Read({parts.ascii + Trailer("V1", 4)}),
                "Datenübertragungsfehler!\n\nFalsches Kontrollzeichen empfangen.\nFirmware in "
                "LCD-Platine vermutlich nicht kompatibel."_w1252.data());
}

TEST_F(DumpReaderTest, LanguageTwoIsRefused) {
  const Dump parts = SplitDump(sim::BuildDump(sim::SampleBoardImage()));
  ExpectFailure(
      Read({parts.ascii + Trailer("V1", 3, 2)}),
      "Datenübertragungsfehler!\n\nUngültiges Sprach-Kontrollzeichen empfangen."_w1252.data());
}

// The ASCII part changed at its start: the parse ends away from the end marker.
class WrongLayoutTest : public DumpReaderTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WrongLayoutTest, FailsInTheParse) {
  const Dump parts = SplitDump(sim::BuildDump(sim::SampleBoardImage()));
  const std::string change = GetParam();
  std::string ascii = parts.ascii;
  if (change == "OneFieldTooMany") ascii = "17_" + ascii;
  if (change == "OneFieldTooFew") ascii = ascii.substr(ascii.find('_') + 1);
  if (change == "AFieldOf60Characters") ascii = std::string(60, '1') + ascii;
  ExpectFailure(Read({ascii + Trailer("V1")}), kMisplacedEnd);
}

INSTANTIATE_TEST_SUITE_P(Changes, WrongLayoutTest,
                         ::testing::Values("OneFieldTooMany", "OneFieldTooFew",
                                           "AFieldOf60Characters"),
                         [](const auto& param_info) { return std::string(param_info.param); });

}  // namespace
}  // namespace korvalesen::testing
