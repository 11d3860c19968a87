#include "app/readout_sequence.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/result_file_names.h"
#include "tests/support/recording_window.h"
#include "tests/support/temporary_directory.h"

namespace korvalesen {
namespace {

struct ProcessEnded {
  ExitStatus status;
};

class ReadoutSequenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProcessEndHook([](ExitStatus status) { throw ProcessEnded{status}; });
  }
  void TearDown() override { SetProcessEndHook(nullptr); }

  testing::TemporaryWorkingDirectory directory_;
  testing::RecordingWindow window_;
  ConfigImage image_;
  FaultTextTable fault_texts_ = BuildFaultTexts();
};

TEST_F(ReadoutSequenceTest, WrittenFilesGoOnToTheUpload) {
  EXPECT_NO_THROW(WriteResultFilesOrEnd(image_, fault_texts_, window_));
  EXPECT_TRUE(std::filesystem::exists(std::string(SerialVersionFileName)));
}

TEST_F(ReadoutSequenceTest, AWriterThatCannotCreateItsFileEndsTheProcessWithStatus3) {
  std::filesystem::create_directory(std::string(SerialVersionFileName));
  try {
    WriteResultFilesOrEnd(image_, fault_texts_, window_);
    FAIL() << "the process did not end";
  } catch (const ProcessEnded& ended) {
    EXPECT_EQ(ended.status, ExitStatus::kResultFiles);
  }
  EXPECT_FALSE(std::filesystem::exists(std::string(ConfigFileName)));
  EXPECT_FALSE(std::filesystem::exists(std::string(FaultLogFileName)));
  ASSERT_EQ(window_.boxes.size(), 1u);
  EXPECT_EQ(window_.boxes[0].caption, "Information");
}

}  // namespace
}  // namespace korvalesen
