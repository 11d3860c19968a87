// What a Linux system does to a file being written: a full disk and a file size limit.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "results/config_file.h"
#include "results/text_file.h"
#include "tests/results/result_files_fixture.h"

namespace korvalesen {
namespace {

namespace fs = std::filesystem;

// A full disk (/dev/full) and a file size limit (with SIGXFSZ ignored, writes fail with EFBIG)
// cut a file mid-line; it counts as not created and is deleted, so that nothing cut is left.
TEST_F(ResultFilesTest, AFileThatCannotBeWrittenCompletelyCountsAsNotCreatedAndGoes) {
  fs::create_symlink("/dev/full", TemporaryResultFileName(ConfigFileName));
  EXPECT_FALSE(WriteConfigFile(image_, window_));
  ASSERT_EQ(window_.boxes.size(), 1u);
  EXPECT_EQ(window_.boxes[0].text, "Datei \"_Konfig.lcd\" kann nicht erstellt werden!");
  EXPECT_FALSE(fs::exists(fs::symlink_status(std::string(ConfigFileName))));
  EXPECT_FALSE(fs::exists(fs::symlink_status(TemporaryResultFileName(ConfigFileName))));

  image_.faultTimes.fill(60);
  rlimit previous{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = previous;
  limited.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const bool written = WriteFaultLog(image_, fault_texts_, window_);
  setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previous_handler);
  EXPECT_FALSE(written);
  ASSERT_EQ(window_.boxes.size(), 2u);
  EXPECT_EQ(window_.boxes[1].text, "Datei \"_Fehler.txt\" kann nicht erstellt werden!");
  EXPECT_FALSE(fs::exists(std::string(FaultLogFileName)));
  EXPECT_FALSE(fs::exists(TemporaryResultFileName(FaultLogFileName)));
}

}  // namespace
}  // namespace korvalesen
