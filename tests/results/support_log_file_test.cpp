// The support log's file: its lines, its rotation and a file that cannot be written.

#include "results/support_log_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/temporary_directory.h"

namespace korvalesen {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TemporaryWorkingDirectory;
using testing::WriteFileBytes;

// "2026-12-09 03:12:45.123 " before the event's text, CR LF after it.
bool IsStampedLine(const std::string& line, const std::string& text) {
  constexpr std::string_view kStamp = "0000-00-00 00:00:00.000 ";
  if (line.size() != kStamp.size() + text.size() + 2 || !line.ends_with(text + "\r\n")) {
    return false;
  }
  for (std::size_t i = 0; i < kStamp.size(); ++i) {
    const bool digit = line[i] >= '0' && line[i] <= '9';
    if (kStamp[i] == '0' ? !digit : line[i] != kStamp[i]) return false;
  }
  return true;
}

TEST(SupportLogFile, EventsAreAppendedOneStampedLineEach) {
  TemporaryWorkingDirectory directory;
  WriteFileBytes(SupportLogFileName, "aus dem letzten Lauf\r\n");
  SupportLogInstallation installation;
  LogEvent("> user korvalesen");
  LogEvent("< 230 Login successful. \xE4\r\nzweite Zeile");
  const std::string log = ReadFileBytes(SupportLogFileName);
  ASSERT_TRUE(log.starts_with("aus dem letzten Lauf\r\n"));
  const std::string rest = log.substr(22);
  const auto first_end = rest.find("\r\n") + 2;
  EXPECT_TRUE(IsStampedLine(rest.substr(0, first_end), "> user korvalesen")) << rest;
  EXPECT_TRUE(IsStampedLine(rest.substr(first_end), "< 230 Login successful. \xE4\\nzweite Zeile"))
      << rest;
}

// Past 1 MiB the log becomes korvalesen.log.1, the older one is dropped and a new one begins.
TEST(SupportLogFile, ALogThatGrowsPastTheLimitRotates) {
  TemporaryWorkingDirectory directory;
  const std::string full(kSupportLogLimit - 10, 'x');
  WriteFileBytes(SupportLogFileName, full);
  WriteFileBytes(std::string(SupportLogFileName) + ".1", "ganz alt");
  SupportLogFile file;
  file.WriteLine("neu");
  EXPECT_EQ(ReadFileBytes(std::string(SupportLogFileName) + ".1"), full);
  EXPECT_TRUE(IsStampedLine(ReadFileBytes(SupportLogFileName), "neu"));
  file.WriteLine("noch einer");
  EXPECT_EQ(ReadFileBytes(std::string(SupportLogFileName) + ".1"), full);
}

// A log that cannot be written (a folder where the file belongs) loses its lines silently.
TEST(SupportLogFile, ALogThatCannotBeWrittenChangesNothing) {
  TemporaryWorkingDirectory directory;
  fs::create_directory(SupportLogFileName);
  SupportLogInstallation installation;
  EXPECT_NO_THROW(LogEvent("verloren"));
  EXPECT_TRUE(fs::is_directory(SupportLogFileName));
  EXPECT_TRUE(fs::is_empty(SupportLogFileName));
}

}  // namespace
}  // namespace korvalesen
