// The result upload against real FTP servers on loopback.

#include "upload/result_upload.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "common/pumping_sleeper.h"
#include "common/result_file_names.h"
#include "results/unsent_results.h"
#include "tests/support/dropping_server.h"
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

  // The run's readout: the bytes of the files it wrote.
  static Readout NewReadout(const std::string& serial_number) {
    Readout readout{serial_number, {}};
    for (const auto name : kResultFileNames) {
      readout.files.push_back({std::string(name), "neu " + std::string(name) + "\r\n\xE4\xFF"});
    }
    return readout;
  }

  bool Upload(const std::string& serial_number = "A1B2", WaitingReadouts* waiting = nullptr) {
    TIdFTP ftp;
    SetUpIdFTP1(ftp);
    return UploadResults(window_, ftp, NewReadout(serial_number), settings_, waiting);
  }

  // A readout of an earlier run waiting in "nicht gesendet", as the set-aside leaves it.
  static void AddWaiting(const std::string& folder, const std::string& serial,
                         const std::string& mark) {
    const fs::path path = fs::path(UnsentResultsFolder) / folder;
    fs::create_directories(path);
    WriteFileBytes(path / ConfigFileName, "alt " + mark);
    WriteFileBytes(path / SerialVersionFileName,
                   "Seriennummer:   " + serial + "\r\nVersion:        " + mark + "\r\n");
  }

  static void ExpectUploadedFiles(const fs::path& folder) {
    for (const auto name : kResultFileNames) {
      EXPECT_EQ(ReadFileBytes(folder / name), "neu " + std::string(name) + "\r\n\xE4\xFF") << name;
      EXPECT_FALSE(fs::exists(name)) << name;
    }
  }
  static std::vector<std::string> FolderNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  void ExpectUploaded(const fs::path& folder) {
    ExpectUploadedFiles(folder);
    EXPECT_THAT(CallsBesidesPumps(),
                ElementsAre("status:Mit Server verbunden", "status:Verbindung beendet",
                            "info:" + std::string("Übertragung erfolgreich beendet!"_w1252)));
    // One after entering "import", one after entering the board's folder, and any number
    // while the client waited for the server.
    EXPECT_GE(window_.processed_messages, 2);
    EXPECT_FALSE(ftpConnected);
  }

  // The window's calls but the processing of messages, which the waits for the server add
  // as often as the server makes them wait.
  std::vector<std::string> CallsBesidesPumps() const {
    std::vector<std::string> calls;
    for (const std::string& call : window_.calls) {
      if (call != "pump") calls.push_back(call);
    }
    return calls;
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
                                                         {"A\x7F\x01Z", "A??Z"},
                                                         // hidden, cut short or a device on Windows
                                                         {" . .", " . ."},
                                                         {".A1", ".A1"},
                                                         {"A1 ", "A1 "},
                                                         {"A1.", "A1."},
                                                         {"CON", "CON"},
                                                         {"nul", "nul"},
                                                         {"Com1", "Com1"},
                                                         {"LPT9.x", "LPT9.x"}};
  for (const auto& [serial_number, shown] : garbled) {
    window_.calls.clear();
    EXPECT_FALSE(Upload(serial_number));
    EXPECT_THAT(CallsBesidesPumps(),
                ElementsAre("error:Seriennummer \"" + shown +
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
  EXPECT_THAT(CallsBesidesPumps(), ElementsAre("status:Mit Server verbunden",
                                               "error:Ordner auf Server nicht gefunden."));
  for (const auto name : kResultFileNames) EXPECT_TRUE(fs::exists(name)) << name;
}

TEST_P(UploadTest, WrongPasswordFailsAfterThreeAttempts) {
  Start();
  fs::create_directory(Server().root / "import");
  settings_.password = Server().wrongPassword;
  settings_.retryPause = std::chrono::milliseconds(1000);
  testing::ScriptedPause pause;
  pause.pumps = true;
  settings_.pause = &pause;
  EXPECT_FALSE(Upload());
  EXPECT_EQ(pause.sleeps, std::vector<std::chrono::milliseconds>(2, settings_.retryPause))
      << "one pause between each two attempts";
  EXPECT_THAT(CallsBesidesPumps(),
              ElementsAre("error:Verbindung zum Server konnte nicht hergestellt werden."));
  // The pauses between the attempts keep the window answering.
  EXPECT_GE(window_.processed_messages, 2);
  EXPECT_FALSE(ftpConnected);
  for (const auto name : kResultFileNames) EXPECT_TRUE(fs::exists(name)) << name;
}

// The run sends the bytes it wrote, not whatever lies under those names now, and deletes only
// the local files that still hold them.
TEST_P(UploadTest, OnlyTheFilesTheRunWroteAreSentAndDeleted) {
  Start();
  fs::create_directory(Server().root / "import");
  WriteFileBytes(std::string(FaultLogFileName), "eine andere Platine");
  fs::remove(std::string(ConfigFileName));
  EXPECT_TRUE(Upload());
  const fs::path folder = Server().root / "import" / "A1B2";
  EXPECT_EQ(ReadFileBytes(folder / FaultLogFileName), "neu _Fehler.txt\r\n\xE4\xFF");
  EXPECT_EQ(ReadFileBytes(folder / ConfigFileName), "neu _Konfig.lcd\r\n\xE4\xFF");
  EXPECT_EQ(ReadFileBytes(std::string(FaultLogFileName)), "eine andere Platine");
  EXPECT_FALSE(fs::exists(std::string(SerialVersionFileName)));
}

// Waiting readouts go first, oldest first, each into its serial number's folder; where two of
// one board meet, the newest wins. Their folders go once they are stored; one whose serial
// number is unknown stays, and the closing box counts both.
TEST_P(UploadTest, WaitingReadoutsAreSentOldestFirstBeforeTheNewOne) {
  Start();
  fs::create_directories(Server().root / "import" / "A1B2");
  AddWaiting("A1B2 2026-12-08 10.00.00 (2)", "A1B2", "zweite");
  AddWaiting("C3D4 2026-12-08 09.00.00", "C3D4", "C");
  AddWaiting("A1B2 2026-12-08 10.00.00", "A1B2", "erste");
  AddWaiting("A1B2 2026-12-07 23.59.59", "A1B2", "aelteste");
  AddWaiting("unbekannt 2026-12-08 08.00.00", "??", "ohne");
  WaitingReadouts waiting = ListWaitingReadouts();
  ASSERT_EQ(waiting.sendable.size(), 4u);
  EXPECT_EQ(waiting.kept, 1);
  // The last waiting readout of A1B2 arrives before the new one replaces it.
  waiting.sendable.back().sent = [&, sent = waiting.sendable.back().sent] {
    EXPECT_EQ(ReadFileBytes(Server().root / "import" / "A1B2" / ConfigFileName), "alt zweite");
    sent();
  };
  EXPECT_TRUE(Upload("A1B2", &waiting));
  ExpectUploadedFiles(Server().root / "import" / "A1B2");
  EXPECT_EQ(ReadFileBytes(Server().root / "import" / "C3D4" / ConfigFileName), "alt C");
  EXPECT_FALSE(fs::exists(Server().root / "import" / "C3D4" / FaultLogFileName));
  EXPECT_EQ(FolderNames(UnsentResultsFolder),
            std::vector<std::string>{"unbekannt 2026-12-08 08.00.00"});
  EXPECT_EQ(window_.calls.back(),
            "info:" + std::string("Übertragung erfolgreich beendet!\n\nFrühere Auslesungen "
                                  "gesendet: 4\nFrühere Auslesungen noch nicht gesendet: 1"_w1252));
}

// A waiting readout the server refuses (a file where its folder belongs) stays, unchanged;
// the others and the new readout go on.
TEST_P(UploadTest, ARefusedWaitingReadoutStaysAndTheRestAreSent) {
  Start();
  fs::create_directories(Server().root / "import");
  WriteFileBytes(Server().root / "import" / "E5F6", "eine Datei");
  AddWaiting("E5F6 2026-12-08 10.00.00", "E5F6", "E");
  AddWaiting("C3D4 2026-12-08 11.00.00", "C3D4", "C");
  WaitingReadouts waiting = ListWaitingReadouts();
  EXPECT_TRUE(Upload("A1B2", &waiting));
  ExpectUploadedFiles(Server().root / "import" / "A1B2");
  EXPECT_EQ(ReadFileBytes(Server().root / "import" / "C3D4" / ConfigFileName), "alt C");
  EXPECT_EQ(FolderNames(UnsentResultsFolder), std::vector<std::string>{"E5F6 2026-12-08 10.00.00"});
  EXPECT_EQ(
      ReadFileBytes(fs::path(UnsentResultsFolder) / "E5F6 2026-12-08 10.00.00" / ConfigFileName),
      "alt E");
  EXPECT_TRUE(window_.calls.back().ends_with(
      "gesendet: 1\nFrühere Auslesungen noch nicht gesendet: 1"_w1252));
}

// A window closed once the files are on the server, while the status line shows that the
// connection ended: the upload is complete, without the closing box.
TEST_P(UploadTest, AWindowClosedAfterTheFilesWentOutLeavesACompleteUpload) {
  Start();
  fs::create_directory(Server().root / "import");
  class ClosedAtTheEnd : public RecordingWindow {
   public:
    void SetStatusText(std::string_view text) override {
      RecordingWindow::SetStatusText(text);
      if (text == "Verbindung beendet") throw SilentAbort();
    }
  } window;
  TIdFTP ftp;
  SetUpIdFTP1(ftp);
  EXPECT_TRUE(UploadResults(window, ftp, NewReadout("A1B2"), settings_, nullptr));
  ExpectUploadedFiles(Server().root / "import" / "A1B2");
  EXPECT_TRUE(window.boxes.empty());
  EXPECT_FALSE(ftp.SocketHandle().Allocated());
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
  Readout readout{"0042", {}};
  for (const auto name : kResultFileNames)
    readout.files.push_back({std::string(name), std::string(name)});
  EXPECT_TRUE(UploadResults(window, ftp, readout, settings));
  fs::current_path(previous);
  for (const auto name : kResultFileNames) {
    EXPECT_EQ(ReadFileBytes(server.Server().root / "import" / "0042" / name), std::string(name));
  }
}

// A window closed while the client waits for the server: the silent abort of its processing of
// messages ends the upload at once, without another attempt and without a box.
TEST(UploadWaits, TheSilentAbortOfTheWindowEndsTheConnectingAtOnce) {
  const DroppingServer dropping;
  class ClosedWindow : public RecordingWindow {
   public:
    void ProcessMessages() override {
      RecordingWindow::ProcessMessages();
      throw SilentAbort();
    }
  } window;
  UploadSettings settings;
  settings.host = "127.0.0.1";
  settings.port = dropping.Port();
  settings.inactivityTimeout = std::chrono::seconds(5);
  TIdFTP ftp;
  SetUpIdFTP1(ftp);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(UploadResults(window, ftp, Readout{"A1B2", {}}, settings), SilentAbort);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_THAT(window.calls, ElementsAre("pump"));
  EXPECT_FALSE(ftp.SocketHandle().Allocated());
  EXPECT_FALSE(ftp.OnWaiting) << "the upload's pump stays behind";
}

TEST(UploadServers, MissingServerProgramFailsLoudly) {
  EXPECT_THROW(VsftpdServer("/nonexistent/vsftpd"), std::runtime_error);
  EXPECT_THROW(PyftpdlibServer("u", "p", "", "/nonexistent/python3"), std::runtime_error);
}

}  // namespace
}  // namespace korvalesen::testing
