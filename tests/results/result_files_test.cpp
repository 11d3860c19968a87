#include "results/result_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "common/result_file_names.h"
#include "common/windows1252.h"
#include "results/config_file.h"
#include "results/fault_log_file.h"
#include "results/serial_version_file.h"
#include "results/text_file.h"
#include "results/unsent_results.h"
#include "tests/results/result_files_fixture.h"
#include "tests/support/recording_window.h"
#include "tests/support/temporary_directory.h"

namespace korvalesen {
namespace {

using testing::ReadFileBytes;
using testing::RecordingWindow;
using testing::TemporaryWorkingDirectory;
using testing::WriteFileBytes;
namespace fs = std::filesystem;

// Whether `name` is `serial` followed by the date and time " YYYY-MM-DD hh.mm.ss" and then by
// `optional_end` or nothing. (No std::regex: GCC 12 warns falsely inside it at -O2.)
bool IsTimedFolderName(std::string name, const std::string& serial,
                       const std::string& optional_end = "") {
  if (!optional_end.empty() && name.ends_with(optional_end)) {
    name.resize(name.size() - optional_end.size());
  }
  constexpr std::string_view kTime = " 0000-00-00 00.00.00";
  if (name.size() != serial.size() + kTime.size() || !name.starts_with(serial)) return false;
  for (std::size_t i = 0; i < kTime.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[serial.size() + i]);
    if (kTime[i] == '0' ? std::isdigit(c) == 0 : c != kTime[i]) return false;
  }
  return true;
}

TEST_F(ResultFilesTest, ConfigFileHoldsTheControlCharacterAndTheSettingsWithCrLf) {
  image_.settings.fill(7);
  image_.settings[0] = -1;
  image_.settings[1] = 0;
  image_.settings[2] = INT32_MAX;
  image_.settings[119] = INT32_MIN;
  ASSERT_TRUE(WriteConfigFile(image_, window_));

  std::string expected = "3\r\n-1\r\n0\r\n2147483647\r\n";
  for (int i = 3; i < 119; ++i) expected += "7\r\n";
  expected += "-2147483648\r\n";
  EXPECT_EQ(Read(ConfigFileName), expected);
  EXPECT_TRUE(window_.boxes.empty());
}

TEST_F(ResultFilesTest, AnExistingFileIsReplacedNotAppendedTo) {
  WriteFileBytes(std::string(ConfigFileName), std::string(5000, 'x'));
  WriteFileBytes(std::string(SerialVersionFileName), std::string(5000, 'x'));
  image_.serialNumber = "0815";
  image_.versionText = "2.31";
  ASSERT_TRUE(WriteConfigFile(image_, window_));
  ASSERT_TRUE(WriteSerialVersionFile(image_, window_));
  EXPECT_EQ(Read(ConfigFileName).size(), 3 + 120 * 3u);
  EXPECT_EQ(Read(SerialVersionFileName), "Seriennummer:   0815\r\nVersion:        2.31\r\n");
}

TEST_F(ResultFilesTest, FaultLogWithAllTimeStampsZeroStillHasOneEntry) {
  image_.faultNumbers[0] = 13;
  image_.faultNumbers[1] = 14;
  EXPECT_EQ(FaultLog(), std::string(kHeader) + "0\t0\t0\t0\tUnerwarteter Prozessor-Neustart.\r\n");
}

TEST_F(ResultFilesTest, FaultLogSplitsTimeStampsIntoDaysHoursMinutesSeconds) {
  const std::uint32_t times[] = {90061, 4294967295u, 86399, 86400, 59};
  for (std::size_t i = 0; i < std::size(times); ++i) image_.faultTimes[i] = times[i];
  image_.faultNumbers[0] = 13;
  image_.faultNumbers[1] = 0;
  image_.faultNumbers[2] = 9;
  image_.faultNumbers[3] = 33;
  image_.faultNumbers[4] = 38;
  const std::string expected =
      std::string(kHeader) + "1\t1\t1\t1\tUnerwarteter Prozessor-Neustart.\r\n" +
      std::string("49710\t6\t28\t15\t") +
      std::string("Gerät wurde vom Benutzer abgeschaltet."_w1252) + "\r\n0\t23\t59\t59\t" +
      std::string("Fehlerspeicher gelöscht."_w1252) + "\r\n1\t0\t0\t0\tnc\r\n0\t0\t0\t59\t" +
      std::string("Unzulässiger Anodenstrom in der Aufwärmphase, Notabschaltung."_w1252) + "\r\n";
  EXPECT_EQ(FaultLog(), expected);
}

TEST_F(ResultFilesTest, TheFirstZeroTimeStampAfterPositionOneEndsTheLog) {
  image_.faultTimes[0] = 1;
  image_.faultTimes[1] = 2;
  image_.faultTimes[2] = 0;
  image_.faultTimes[3] = 4;  // never written: the zero before it ends the log
  const std::string log = FaultLog();
  EXPECT_NE(log.find("0\t0\t0\t2\t"), std::string::npos);
  EXPECT_EQ(log.find("0\t0\t0\t4\t"), std::string::npos);
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2 + 2);
}

TEST_F(ResultFilesTest, AFullFaultLogHasOneThousandEntries) {
  image_.faultTimes.fill(60);
  const std::string log = FaultLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2 + 1000);
  EXPECT_EQ(std::count(log.begin(), log.end(), '\r'), 2 + 1000);
}

TEST_F(ResultFilesTest, FaultNumbersBeyondTheTableShowTheInvalidText) {
  const std::string invalid(fault_texts_.texts[InvalidFaultNumber]);
  EXPECT_EQ(invalid, std::string("Ungültige Fehlertext-Nr."_w1252));
  image_.faultTimes.fill(1);
  image_.faultNumbers[0] = 39;
  image_.faultNumbers[1] = 40;   // never produced by the reader, but must stay in the table
  image_.faultNumbers[2] = 255;  // the low 8 bits of -1
  image_.faultNumbers[3] = 216;  // the low 8 bits of -40
  image_.faultTimes[4] = 0;
  const std::string line = "0\t0\t0\t1\t" + invalid + "\r\n";
  EXPECT_EQ(FaultLog(), std::string(kHeader) + line + line + line + line);
}

TEST_F(ResultFilesTest, SerialVersionFileWritesTextUpToTheFirstNul) {
  image_.serialNumber = std::string(
      "08\0"
      "5",
      4);
  image_.versionText = "";
  ASSERT_TRUE(WriteSerialVersionFile(image_, window_));
  EXPECT_EQ(Read(SerialVersionFileName), "Seriennummer:   08\r\nVersion:        \r\n");
}

TEST_F(ResultFilesTest, AWriterThatCannotCreateItsFileShowsAnInfoBox) {
  fs::create_directory(std::string(FaultLogFileName));
  EXPECT_FALSE(WriteFaultLog(image_, fault_texts_, window_));
  ASSERT_EQ(window_.boxes.size(), 1u);
  EXPECT_EQ(
      window_.boxes[0],
      (RecordingWindow::Box{"Information", "Datei \"_Fehler.txt\" kann nicht erstellt werden!"}));
}

// Result files of an earlier run that were never sent move, unchanged, into a folder named
// after their serial number and the time; the next run's files cannot overwrite them.
TEST_F(ResultFilesTest, UnsentResultsAreSetAsideUnderTheirSerialNumber) {
  const std::string old_serial = "Seriennummer:   X9Y8\r\nVersion:        1\r\n";
  for (const std::string& serial_file :
       {old_serial, std::string("Seriennummer:   a:b?\r\nVersion: 1\r\n"), std::string("kaputt"),
        std::string("Seriennummer:   COM1\r\nVersion: 1\r\n"),
        std::string("Seriennummer:   A\r\nB\r\nVersion: 1\r\n")}) {
    WriteFileBytes(std::string(ConfigFileName), "alt 1");
    WriteFileBytes(std::string(FaultLogFileName), "alt 2");
    WriteFileBytes(std::string(SerialVersionFileName), serial_file);
    ASSERT_TRUE(SetAsideUnsentResults(window_));
    EXPECT_FALSE(fs::exists(std::string(ConfigFileName)));
  }
  EXPECT_TRUE(window_.boxes.empty());
  std::vector<std::string> folders;
  for (const auto& entry : fs::directory_iterator(UnsentResultsFolder)) {
    folders.push_back(entry.path().filename().string());
  }
  std::sort(folders.begin(), folders.end());
  ASSERT_EQ(folders.size(), 5u);
  // A serial number that cannot name a folder on every system, or none at all: "unbekannt".
  // The time of day without ":", so that the name is a folder name on Windows too.
  EXPECT_TRUE(IsTimedFolderName(folders[0], "X9Y8")) << folders[0];
  // Two runs within one second get " (2)" on the second folder.
  EXPECT_TRUE(IsTimedFolderName(folders[1], "unbekannt", " (2)")) << folders[1];
  for (std::size_t i = 2; i < folders.size(); ++i) {
    const bool numbered = IsTimedFolderName(folders[i], "unbekannt", " (2)") ||
                          IsTimedFolderName(folders[i], "unbekannt", " (3)") ||
                          IsTimedFolderName(folders[i], "unbekannt", " (4)");
    EXPECT_TRUE(numbered) << folders[i];
  }
  const fs::path first = fs::path(UnsentResultsFolder) / folders[0];
  EXPECT_EQ(ReadFileBytes(first / ConfigFileName), "alt 1");
  EXPECT_EQ(ReadFileBytes(first / FaultLogFileName), "alt 2");
  EXPECT_EQ(ReadFileBytes(first / SerialVersionFileName), old_serial);
}

// The folder's name is in the file system's own encoding: "ä" is UTF-8 on Linux, a wide
// character on Windows, not the byte 0xE4.
TEST_F(ResultFilesTest, TheUnsentFolderIsNamedInTheFileSystemsEncoding) {
  WriteFileBytes(std::string(SerialVersionFileName), "Seriennummer:   K\xE4se\r\nVersion:  1\r\n");
  ASSERT_TRUE(SetAsideUnsentResults(window_));
  const fs::directory_iterator entry(UnsentResultsFolder);
  ASSERT_NE(entry, fs::directory_iterator());
  const std::u8string name = entry->path().filename().u8string();
  EXPECT_TRUE(name.starts_with(u8"K\u00E4se ")) << std::string(name.begin(), name.end());
  // It is read back as a waiting readout of that serial number.
  const WaitingReadouts waiting = ListWaitingReadouts();
  ASSERT_EQ(waiting.sendable.size(), 1u);
  EXPECT_EQ(waiting.sendable[0].readout.serialNumber, "K\xE4se");
}

TEST_F(ResultFilesTest, UnsentResultsThatCannotBeMovedStayUntouched) {
  WriteFileBytes(std::string(ConfigFileName), "alt");
  fs::create_directory(std::string(FaultLogFileName));  // no result file: not moved
  EXPECT_TRUE(SetAsideUnsentResults(window_));
  EXPECT_TRUE(fs::is_directory(std::string(FaultLogFileName)));
  fs::remove_all(UnsentResultsFolder);
  WriteFileBytes(UnsentResultsFolder, "a file where the folder belongs");
  WriteFileBytes(std::string(ConfigFileName), "alt");
  EXPECT_FALSE(SetAsideUnsentResults(window_));
  EXPECT_EQ(ReadFileBytes(std::string(ConfigFileName)), "alt");
  ASSERT_EQ(window_.boxes.size(), 1u);
  EXPECT_EQ(window_.boxes[0].caption, "Information");
  // The folder is named with the system's separator.
  const std::string folder = (fs::path("nicht gesendet") / "unbekannt ").string();
  EXPECT_TRUE(window_.boxes[0].text.starts_with("Ordner \"" + folder)) << window_.boxes[0].text;
  EXPECT_TRUE(window_.boxes[0].text.ends_with("\" kann nicht erstellt werden!"));
  // Nothing to move: nothing to fail.
  fs::remove(std::string(ConfigFileName));
  EXPECT_TRUE(SetAsideUnsentResults(window_));
}

// The readout returned holds exactly what the files hold, under their names and in their order.
TEST_F(ResultFilesTest, AllThreeFilesAreWrittenAndKnownByTheirBytes) {
  image_.serialNumber = std::string("AB\0\0", 4);
  const std::optional<Readout> readout = WriteResultFiles(image_, fault_texts_, window_);
  ASSERT_TRUE(readout);
  EXPECT_EQ(readout->serialNumber, "AB");
  ASSERT_EQ(readout->files.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(readout->files[i].name, kResultFileNames[i]);
    EXPECT_EQ(readout->files[i].bytes, Read(kResultFileNames[i])) << kResultFileNames[i];
    EXPECT_FALSE(fs::exists(TemporaryResultFileName(kResultFileNames[i])));
  }
  EXPECT_TRUE(window_.boxes.empty());
}

// While a file is written its own name does not exist, so a run killed in the middle leaves
// only a temporary file, which the next run deletes.
TEST_F(ResultFilesTest, AFileGetsItsNameOnlyWhenComplete) {
  WriteFileBytes(TemporaryResultFileName(FaultLogFileName), "abgeschnitten");
  WriteFileBytes(TemporaryResultFileName(SerialVersionFileName), "abgeschnitten");
  DeleteTemporaryResultFiles();
  for (const auto name : kResultFileNames) {
    EXPECT_FALSE(fs::exists(TemporaryResultFileName(name))) << name;
  }
  bool seen_while_writing = true;
  EXPECT_TRUE(WriteResultFile(ConfigFileName, window_, nullptr, [&](TextFile& file) {
    file.WriteLine("1");
    seen_while_writing = fs::exists(std::string(ConfigFileName));
    EXPECT_TRUE(fs::exists(TemporaryResultFileName(ConfigFileName)));
  }));
  EXPECT_FALSE(seen_while_writing);
  EXPECT_EQ(Read(ConfigFileName), "1\r\n");
}

TEST_F(ResultFilesTest, AFailingFirstWriterDeletesNothing) {
  fs::create_directory(std::string(ConfigFileName));
  WriteFileBytes(std::string(FaultLogFileName), "old");
  EXPECT_FALSE(WriteResultFiles(image_, fault_texts_, window_));
  EXPECT_EQ(Read(FaultLogFileName), "old");
  EXPECT_FALSE(fs::exists(std::string(SerialVersionFileName)));
  EXPECT_EQ(window_.boxes.size(), 1u);
}

TEST_F(ResultFilesTest, AFailingSecondWriterDeletesTheConfigFileOnly) {
  fs::create_directory(std::string(FaultLogFileName));
  WriteFileBytes(std::string(SerialVersionFileName), "old");
  EXPECT_FALSE(WriteResultFiles(image_, fault_texts_, window_));
  EXPECT_FALSE(fs::exists(std::string(ConfigFileName)));
  EXPECT_EQ(Read(SerialVersionFileName), "old");
  EXPECT_EQ(window_.boxes.size(), 1u);
}

TEST_F(ResultFilesTest, AFailingThirdWriterDeletesTheTwoFilesBeforeIt) {
  fs::create_directory(std::string(SerialVersionFileName));
  EXPECT_FALSE(WriteResultFiles(image_, fault_texts_, window_));
  EXPECT_FALSE(fs::exists(std::string(ConfigFileName)));
  EXPECT_FALSE(fs::exists(std::string(FaultLogFileName)));
  EXPECT_TRUE(fs::is_directory(std::string(SerialVersionFileName)));
  ASSERT_EQ(window_.boxes.size(), 1u);
  EXPECT_EQ(window_.boxes[0].text, "Datei \"_SerienNrVersion.txt\" kann nicht erstellt werden!");
}

TEST(FaultTexts, HasFortyTextsOfAtMost101Characters) {
  const FaultTextTable table = BuildFaultTexts();
  for (const std::string_view text : table.texts) {
    EXPECT_FALSE(text.empty());
    EXPECT_LE(text.size(), 101u);
  }
  EXPECT_EQ(table.texts[32], std::string_view("Pr\xFC"
                                              "fjumper ist gesteckt."));
  EXPECT_EQ(table.Text(MaxFaultNumber), table.texts[38]);
}

}  // namespace
}  // namespace korvalesen
