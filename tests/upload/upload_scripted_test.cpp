// The result upload against the scripted server, for replies the real servers of the suite
// do not give: a folder hidden from the listing, a store cut short behind a 226.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/recording_window.h"
#include "tests/support/temporary_directory.h"
#include "tests/upload/scripted_server.h"
#include "upload/id_errors.h"
#include "upload/result_upload.h"

namespace korvalesen::testing {
namespace {

namespace fs = std::filesystem;

const Readout kReadout{"0042", {{"_Konfig.lcd", "12345"}, {"_Fehler.txt", "abc"}}};

void List(ScriptedSession& s, std::string_view listing) {
  s.ReplyPassive();
  s.Expect("150 here\r\n");
  s.SendData(listing);
  s.Send("226 done\r\n");
}

// Log-in, "import" listed and entered, the serial number's folder not listed.
void UpToTheFolder(ScriptedSession& s) {
  s.LogIn();
  List(s, "drwxr-xr-x 2 u g 0 Dec 9 10:00 import\r\n");
  s.Expect("250 ok\r\n");
  List(s, "");
}

// Stores every file, answering SIZE with the sizes given.
void StoreAll(ScriptedSession& s, const std::vector<std::string>& size_replies) {
  List(s, "");
  for (std::size_t i = 0; i < kReadout.files.size(); ++i) {
    s.ReplyPassive();
    s.Expect("150 send\r\n");
    s.ReceiveData();
    s.Send("226 stored\r\n");
  }
  for (const std::string& reply : size_replies) s.Expect(reply);
}

class UploadScriptedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const ResultFile& file : kReadout.files) WriteFileBytes(file.name, file.bytes);
  }
  bool Upload(const ScriptedServer& server) {
    UploadSettings settings;
    settings.host = "127.0.0.1";
    settings.port = server.Port();
    settings.user = "u";
    settings.inactivityTimeout = std::chrono::seconds(10);
    TIdFTP ftp;
    SetUpIdFTP1(ftp);
    return UploadResults(window_, ftp, kReadout, settings);
  }
  static bool LocalFilesKept() {
    for (const ResultFile& file : kReadout.files) {
      if (!fs::exists(file.name)) return false;
    }
    return true;
  }

  TemporaryWorkingDirectory directory_;
  RecordingWindow window_;
};

// MKD of a folder that exists but is not listed is refused; CWD into it then succeeds.
TEST_F(UploadScriptedTest, AFolderHiddenFromTheListingIsEnteredAfterMkdFails) {
  ScriptedServer server([](ScriptedSession& s) {
    UpToTheFolder(s);
    s.Expect("550 Create directory operation failed.\r\n");
    s.Expect("250 Directory successfully changed.\r\n");
    StoreAll(s, {"213 5\r\n", "502 SIZE not implemented\r\n"});
  });
  EXPECT_TRUE(Upload(server));
  const std::vector<std::string> lines = server.Lines();
  EXPECT_THAT(std::vector<std::string>(lines.begin() + 9, lines.begin() + 11),
              ::testing::ElementsAre("MKD 0042\r\n", "CWD 0042\r\n"));
  EXPECT_FALSE(LocalFilesKept());
}

// When CWD fails too, the MKD's refusal is what the user sees, as before.
TEST_F(UploadScriptedTest, WhenCwdFailsTooTheMkdRefusalStands) {
  ScriptedServer server([](ScriptedSession& s) {
    UpToTheFolder(s);
    s.Expect("550 Create directory operation failed.\r\n");
    s.Expect("550 Failed to change directory.\r\n");
  });
  try {
    Upload(server);
    FAIL() << "no error";
  } catch (const EIdProtocolReplyError& error) {
    EXPECT_EQ(error.Message(), "550 Create directory operation failed.");
  }
  EXPECT_TRUE(LocalFilesKept());
}

// A server that kept part of a file but answered 226: the size tells, and the files stay.
TEST_F(UploadScriptedTest, AStoreCutShortFailsAndKeepsTheFiles) {
  ScriptedServer server([](ScriptedSession& s) {
    UpToTheFolder(s);
    s.Expect("257 made\r\n");
    s.Expect("250 ok\r\n");
    StoreAll(s, {"213 5\r\n", "213 2\r\n"});
  });
  try {
    Upload(server);
    FAIL() << "no error";
  } catch (const EStoredSizeDiffers& error) {
    EXPECT_EQ(error.Message(),
              "Datei \"_Fehler.txt\" auf dem Server unvollständig: 2 von 3 Bytes."_w1252);
  }
  EXPECT_TRUE(LocalFilesKept());
}

}  // namespace
}  // namespace korvalesen::testing
