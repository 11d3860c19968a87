// The log file of the port: its lines for a short exchange over the virtual line, byte for
// byte, and its failures.
#include <gmock/gmock.h>

#include <clocale>
#include <string>

#include "common/exception_display.h"
#include "common/in_out_error.h"
#include "platform/file_append.h"
#include "platform/local_time_text.h"
#include "tests/serial/virtual_port.h"
#include "tests/support/pump.h"
#include "tests/support/temporary_directory.h"

namespace korvalesen {
namespace {

class ComPortLogTest : public ::testing::Test, public testing::VirtualPort {
 public:
  ComPortLogTest() {
    port->SetLogTimeText([] { return std::string("08.12.2026 10:15:42"); });
  }
  ~ComPortLogTest() override { port.reset(); }  // its closing line goes before the folder
  void OnCts(TComponent&) { ++cts_events; }
  std::filesystem::path LogPath() const { return folder.path() / "port.log"; }

  testing::TemporaryWorkingDirectory folder;
  int cts_events = 0;
};

TEST_F(ComPortLogTest, AShortExchangeLineByLine) {
  port->SetLogFile(LogPath().string());
  port->SetOnEvent(evCTSChange, TNotifyEvent(this, &ComPortLogTest::OnCts));
  port->Open();
  port->WriteString("AB");
  line.Send("\x0D\xFF");
  EXPECT_EQ(port->ReadWord(), 0xFF0D);
  port->WriteByte(0);
  line.SetCts(true);
  ASSERT_TRUE(PumpUntil([&] { return cts_events == 1; }));
  port->Close();
  const std::string first_run =
      "08.12.2026 10:15:42 Open /dev/ttyV0\r\n"
      "08.12.2026 10:15:42 Write request $41, $42\r\n"
      "08.12.2026 10:15:42 Read request 2 byte(s)\r\n"
      "08.12.2026 10:15:42 Read complete $0D, $FF\r\n"
      "08.12.2026 10:15:42 Write complete $41, $42\r\n"
      "08.12.2026 10:15:42 Write request $00\r\n"
      "08.12.2026 10:15:42 CTSChange event\r\n"
      "08.12.2026 10:15:42 Close /dev/ttyV0\r\n";
  EXPECT_EQ(testing::ReadFileBytes(LogPath()), first_run);
  // Appended: a second run adds to the lines of the first.
  port->Open();
  EXPECT_EQ(testing::ReadFileBytes(LogPath()),
            first_run + "08.12.2026 10:15:42 Open /dev/ttyV0\r\n");
}

TEST_F(ComPortLogTest, EachEventOfABatchInTheOrderOfDispatch) {
  port->SetOnEvent(evBreak, TNotifyEvent(this, &ComPortLogTest::OnCts));
  port->SetOnLineError(TLineErrorEvent::Bind(this, nullptr, [](TComponent&, TLineErrors) {}));
  port->Open();
  port->SetLogFile(LogPath().string());
  line.InjectLineErrors(platform::kErrFrame | platform::kErrBreak);
  ASSERT_TRUE(PumpUntil([&] { return cts_events == 1; }));
  port->SetLogFile("");
  EXPECT_EQ(testing::ReadFileBytes(LogPath()),
            "08.12.2026 10:15:42 Break event\r\n"
            "08.12.2026 10:15:42 LineError event\r\n");
}

TEST_F(ComPortLogTest, ALogSwitchedOnLaterShowsNoEarlierRequest) {
  port->Open();
  line.Send("AB");
  port->ReadByte();       // ended: its buffer is gone once it has returned
  port->WriteByte(0x10);  // still the port's own: it ends with the next write
  port->SetLogFile(LogPath().string());
  port->ReadByte();
  port->WriteByte(0x11);
  EXPECT_EQ(testing::ReadFileBytes(LogPath()),
            "08.12.2026 10:15:42 Read request 1 byte(s)\r\n"
            "08.12.2026 10:15:42 Read complete $42\r\n"
            "08.12.2026 10:15:42 Write complete $10\r\n"
            "08.12.2026 10:15:42 Write request $11\r\n");
}

TEST_F(ComPortLogTest, WithoutALogFileNothingIsWritten) {
  port->Open();
  port->WriteString("x");
  line.Send("y");
  port->ReadChar();
  port->WriteLog("Hand-written ", "z", 1);
  port->Close();
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

// What the system itself reports for a file in a missing folder (ENOENT, "No such file or
// directory" on Linux; ERROR_PATH_NOT_FOUND, 3, on Windows).
platform::SysError MissingFolderError(const std::filesystem::path& folder) {
  try {
    platform::AppendToFile((folder / "missing" / "probe").string(), "x");
  } catch (const platform::SysError& e) {
    return e;
  }
  return platform::SysError(0, "no error");
}

TEST_F(ComPortLogTest, ALogFileThatCannotBeWrittenRaisesTheInputOutputError) {
  const platform::SysError expected = MissingFolderError(folder.path());
  ASSERT_NE(expected.Code(), 0);
  port->SetLogFile((folder.path() / "missing" / "port.log").string());
  try {
    port->WriteLog("Hand-written");
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), expected.Code());
    EXPECT_EQ(e.Message(), expected.what());
  }
}

TEST_F(ComPortLogTest, ALogThatFailsAtTheLastCloseIsShownAndTheDeviceIsFreed) {
  std::vector<std::string> shown;
  SetExceptionDisplay([&shown](const Error& e) { shown.push_back(e.Message()); });
  const std::filesystem::path logs = folder.path() / "logs";
  std::filesystem::create_directory(logs);
  port->SetLogFile((logs / "port.log").string());
  port->Open();
  std::filesystem::remove_all(logs);
  port.reset();
  SetExceptionDisplay(nullptr);
  EXPECT_EQ(shown, std::vector<std::string>{MissingFolderError(folder.path()).what()});
  EXPECT_FALSE(line.IsOpen());
}

// Linux's text follows LC_TIME; Windows' follows the user's locale and has its own case in
// tests/platform/windows_system_test.cpp.
#ifndef _WIN32
TEST(LocalDateTimeTextTest, TheLocalesShortDateAndLongTime) {
  const std::string saved = std::setlocale(LC_TIME, nullptr);
  std::setlocale(LC_TIME, "C");
  const std::string text = platform::LocalDateTimeText();
  std::setlocale(LC_TIME, saved.c_str());
  // GoogleTest's own (POSIX) expressions: std::regex draws false warnings from GCC 12.
  EXPECT_THAT(text,
              ::testing::MatchesRegex("[0-9]{2}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}"));
}
#endif

}  // namespace
}  // namespace korvalesen
