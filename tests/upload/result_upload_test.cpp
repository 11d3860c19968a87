// The result upload against real FTP servers on loopback.

#include "upload/result_upload.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "tests/support/recording_window.h"
#include "tests/support/scripted_pause.h"
#include "tests/upload/ftp_servers.h"
#include "upload/id_errors.h"

namespace korvalesen::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

const std::string kPassword(UploadSettings{}.password);

// Owns one running server of either kind.
struct RunningServer {
  std::unique_ptr<PyftpdlibServer> pyftpdlib;
  std::unique_ptr<VsftpdServer> vsftpd;
  const FtpServer& Server() const { return pyftpdlib ? pyftpdlib->Server() : vsftpd->Server(); }
};

struct ServerKind {
  std::string name;
  std::function<RunningServer(const std::string& masquerade)> start;
};

const ServerKind kPyftpdlib{"pyftpdlib", [](const std::string& masquerade) {
                              RunningServer running;
                              running.pyftpdlib = std::make_unique<PyftpdlibServer>(
                                  "korvalesen", kPassword, masquerade);
                              return running;
                            }};
const ServerKind kVsftpd{"vsftpd", [](const std::string&) {
                           RunningServer running;
                           running.vsftpd = std::make_unique<VsftpdServer>();
                           return running;
                         }};

// Runs in a fresh working directory that holds the three result files.
class UploadTest : public ::testing::TestWithParam<ServerKind> {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    fs::current_path(work_.Path());
    for (const auto name : kResultFileNames) {
      WriteFileBytes(std::string(name), "neu " + std::string(name) + "\r\n\xE4\xFF");
    }
  }
  void TearDown() override { fs::current_path(previous_); }

  void Start(const std::string& masquerade = {}) {
    running_ = GetParam().start(masquerade);
    const FtpServer& server = running_.Server();
    settings_.host = "127.0.0.1";
    settings_.port = server.port;
    settings_.user = server.user;
    settings_.password = server.password;
    settings_.retryPause = std::chrono::milliseconds(10);
    settings_.inactivityTimeout = std::chrono::seconds(10);
  }
  const FtpServer& Server() const { return running_.Server(); }

  bool Upload(const std::string& serial_number = "A1B2") {
    TIdFTP ftp;
    SetUpIdFTP1(ftp);
    return UploadResults(window_, ftp, serial_number, settings_);
  }

  void ExpectUploaded(const fs::path& folder) {
    for (const auto name : kResultFileNames) {
      EXPECT_EQ(ReadFileBytes(folder / name), "neu " + std::string(name) + "\r\n\xE4\xFF") << name;
      EXPECT_FALSE(fs::exists(name)) << name;
    }
    EXPECT_THAT(
        window_.calls,
        ElementsAre("status:Mit Server verbunden", "pump", "pump", "status:Verbindung beendet",
                    "info:" + std::string("Übertragung erfolgreich beendet!"_w1252)));
    EXPECT_FALSE(ftpConnected);
  }

  TempFolder work_;
  fs::path previous_;
  RunningServer running_;
  UploadSettings settings_;
  RecordingWindow window_;
};

TEST_P(UploadTest, CreatesTheSerialNumberFolderAndStoresTheFiles) {
  Start();
  fs::create_directory(Server().root / "import");
  EXPECT_TRUE(Upload());
  ExpectUploaded(Server().root / "import" / "A1B2");
}

TEST_P(UploadTest, ReplacesOldCopiesInAnExistingFolder) {
  Start();
  const fs::path folder = Server().root / "import" / "A1B2";
  fs::create_directories(folder);
  for (const auto name : kResultFileNames) WriteFileBytes(folder / name, std::string(5000, 'x'));
  WriteFileBytes(folder / "anderes.txt", "bleibt");
  EXPECT_TRUE(Upload());
  ExpectUploaded(folder);
  EXPECT_EQ(ReadFileBytes(folder / "anderes.txt"), "bleibt");
}

// The serial number is a folder name below "import", never a path or a second command.
TEST_P(UploadTest, AGarbledSerialNumberIsRefusedBeforeConnecting) {
  Start();
  fs::create_directory(Server().root / "import");
  const std::pair<std::string, std::string> garbled[] = {{"../x", "../x"},
                                                         {"/abc", "/abc"},
                                                         {"a\\bc", "a\\bc"},
                                                         {"A\r\nB", "A??B"},
                                                         {std::string("..\0\0", 4), ".."},
                                                         {std::string("\0abc", 4), ""},
                                                         {"A\x7F\x01Z", "A??Z"}};
  for (const auto& [serial_number, shown] : garbled) {
    window_.calls.clear();
    EXPECT_FALSE(Upload(serial_number));
    EXPECT_THAT(window_.calls, ElementsAre("error:Seriennummer \"" + shown +
                                           std::string("\" ist als Ordnername ungültig!"_w1252)));
  }
  EXPECT_TRUE(fs::is_empty(Server().root / "import"));
  EXPECT_FALSE(fs::exists(Server().root / "x"));
  for (const auto name : kResultFileNames) EXPECT_TRUE(fs::exists(name)) << name;
  // The serial number ends at its first NUL: "A" and three NULs name the folder "A".
  window_.calls.clear();
  EXPECT_TRUE(Upload(std::string("A\0\0\0", 4)));
  ExpectUploaded(Server().root / "import" / "A");
}

TEST_P(UploadTest, MissingImportFolderIsReportedAndTheFilesStay) {
  Start();
  fs::create_directory(Server().root / "reimport");
  EXPECT_FALSE(Upload());
  EXPECT_THAT(window_.calls, ElementsAre("status:Mit Server verbunden",
                                         "error:Ordner auf Server nicht gefunden."));
  for (const auto name : kResultFileNames) EXPECT_TRUE(fs::exists(name)) << name;
}

TEST_P(UploadTest, WrongPasswordFailsAfterThreeAttempts) {
  Start();
  fs::create_directory(Server().root / "import");
  settings_.password = Server().wrongPassword;
  settings_.retryPause = std::chrono::milliseconds(1000);
  testing::ScriptedPause pause;
  settings_.pause = &pause;
  EXPECT_FALSE(Upload());
  EXPECT_EQ(pause.sleeps, std::vector<std::chrono::milliseconds>(2, settings_.retryPause))
      << "one pause between each two attempts";
  EXPECT_THAT(window_.calls,
              ElementsAre("error:Verbindung zum Server konnte nicht hergestellt werden."));
  EXPECT_FALSE(ftpConnected);
  for (const auto name : kResultFileNames) EXPECT_TRUE(fs::exists(name)) << name;
}

TEST_P(UploadTest, MissingLocalFileLeavesAsAnError) {
  Start();
  fs::create_directory(Server().root / "import");
  fs::remove("_Fehler.txt");
  try {
    Upload();
    FAIL() << "no error";
  } catch (const EFOpenError& error) {
    EXPECT_EQ(error.Message(), "Datei _Fehler.txt kann nicht geöffnet werden"_w1252);
  }
  EXPECT_TRUE(fs::exists(Server().root / "import" / "A1B2" / "_Konfig.lcd"));
  EXPECT_TRUE(fs::exists("_Konfig.lcd"));
}

INSTANTIATE_TEST_SUITE_P(RealServers, UploadTest, ::testing::Values(kPyftpdlib, kVsftpd),
                         [](const auto& param_info) { return param_info.param.name; });

TEST(UploadPyftpdlib, ForeignPassiveAddressStillUploads) {
  TempFolder work;
  const fs::path previous = fs::current_path();
  fs::current_path(work.Path());
  for (const auto name : kResultFileNames) WriteFileBytes(std::string(name), std::string(name));
  // 192.0.2.1 is a documentation address that leads nowhere.
  PyftpdlibServer server("korvalesen", kPassword, "192.0.2.1");
  fs::create_directory(server.Server().root / "import");
  UploadSettings settings;
  settings.host = "localhost";
  settings.port = server.Server().port;
  settings.inactivityTimeout = std::chrono::seconds(10);
  RecordingWindow window;
  TIdFTP ftp;
  SetUpIdFTP1(ftp);
  EXPECT_TRUE(UploadResults(window, ftp, "0042", settings));
  fs::current_path(previous);
  for (const auto name : kResultFileNames) {
    EXPECT_EQ(ReadFileBytes(server.Server().root / "import" / "0042" / name), std::string(name));
  }
}

TEST(UploadServers, MissingServerProgramFailsLoudly) {
  EXPECT_THROW(VsftpdServer("/nonexistent/vsftpd"), std::runtime_error);
  EXPECT_THROW(PyftpdlibServer("u", "p", "", "/nonexistent/python3"), std::runtime_error);
}

}  // namespace
}  // namespace korvalesen::testing
