#include "app/readout_sequence.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "common/result_file_names.h"
#include "common/windows1252.h"
#include "tests/support/process_end_catcher.h"
#include "tests/support/recording_window.h"
#include "tests/support/temporary_directory.h"

namespace korvalesen {
namespace {

class ReadoutSequenceTest : public ::testing::Test {
 protected:
  testing::TemporaryWorkingDirectory directory_;
  testing::RecordingWindow window_;
  ConfigImage image_;
  FaultTextTable fault_texts_ = BuildFaultTexts();
  testing::ProcessEndCatcher process_end_;
};

TEST_F(ReadoutSequenceTest, WrittenFilesGoOnToTheUpload) {
  EXPECT_NO_THROW(WriteResultFilesOrEnd(image_, fault_texts_, window_));
  EXPECT_TRUE(std::filesystem::exists(std::string(SerialVersionFileName)));
}

TEST_F(ReadoutSequenceTest, AWriterThatCannotCreateItsFileEndsTheProcessWithStatus3) {
  std::filesystem::create_directory(std::string(SerialVersionFileName));
  EXPECT_EQ(testing::EndOf([&] { WriteResultFilesOrEnd(image_, fault_texts_, window_); }),
            ExitStatus::kResultFiles);
  EXPECT_FALSE(std::filesystem::exists(std::string(ConfigFileName)));
  EXPECT_FALSE(std::filesystem::exists(std::string(FaultLogFileName)));
  ASSERT_EQ(window_.boxes.size(), 1u);
  EXPECT_EQ(window_.boxes[0].caption, "Information");
}

// A second copy of the program started in a folder where a run holds the lock says so and ends
// with status 1, touching nothing; once the first has ended, the folder is free again.
TEST_F(ReadoutSequenceTest, ASecondCopyInTheSameFolderEndsWithStatus1TouchingNothing) {
  auto first = std::make_unique<platform::FileLock>();
  ASSERT_EQ(first->Take(WorkingFolderLockName), platform::LockResult::kTaken);
  testing::WriteFileBytes(std::string(ConfigFileName), "vom ersten Lauf");
  platform::FileLock second;
  EXPECT_EQ(testing::EndOf([&] { LockWorkingFolderOrEnd(second, window_); }),
            ExitStatus::kPortSearch);
  ASSERT_EQ(window_.boxes.size(), 1u);
  EXPECT_EQ(window_.boxes[0].caption, "Fehler");
  EXPECT_EQ(window_.boxes[0].text,
            "Korvalesen läuft in diesem Ordner bereits. Bitte warten, bis es beendet ist."_w1252);
  EXPECT_EQ(testing::ReadFileBytes(std::string(ConfigFileName)), "vom ersten Lauf");
  EXPECT_FALSE(std::filesystem::exists("nicht gesendet"));
  first.reset();
  EXPECT_NO_THROW(LockWorkingFolderOrEnd(second, window_));
  EXPECT_EQ(window_.boxes.size(), 1u);
}

// A run killed while writing left a cut file under its temporary name: it is never taken for
// a result.
TEST_F(ReadoutSequenceTest, ACutTemporaryFileOfAKilledRunIsDeleted) {
  testing::WriteFileBytes(std::string(FaultLogFileName) + ".tmp", std::string(24576, 'x'));
  const Readout readout = WriteResultFilesOrEnd(image_, fault_texts_, window_);
  EXPECT_FALSE(std::filesystem::exists(std::string(FaultLogFileName) + ".tmp"));
  EXPECT_FALSE(std::filesystem::exists("nicht gesendet"));
  EXPECT_EQ(readout.files.size(), 3u);
}

}  // namespace
}  // namespace korvalesen
