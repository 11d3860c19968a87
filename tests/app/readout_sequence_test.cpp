#include "app/readout_sequence.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/result_file_names.h"
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

}  // namespace
}  // namespace korvalesen
