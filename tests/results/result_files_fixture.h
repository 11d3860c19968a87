#pragma once

// The working folder, window, image and fault texts of the result file tests.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "board/config_image.h"
#include "common/result_file_names.h"
#include "results/fault_log_file.h"
#include "results/fault_texts.h"
#include "tests/support/recording_window.h"
#include "tests/support/temporary_directory.h"

namespace korvalesen {

class ResultFilesTest : public ::testing::Test {
 protected:
  testing::TemporaryWorkingDirectory directory_;
  testing::RecordingWindow window_;
  ConfigImage image_;
  FaultTextTable fault_texts_ = BuildFaultTexts();

  std::string Read(std::string_view name) { return testing::ReadFileBytes(std::string(name)); }
  std::string FaultLog() {
    EXPECT_TRUE(WriteFaultLog(image_, fault_texts_, window_));
    return Read(FaultLogFileName);
  }
  static constexpr std::string_view kHeader = "Tage\tStd\tMin\tSek\tFehler\r\n\r\n";
};

}  // namespace korvalesen
