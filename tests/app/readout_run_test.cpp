// Whole runs in process: the real window (offscreen), the readout sequence, the board
// simulator on the virtual computer, the result files in a temporary working directory and a
// real FTP server on loopback. Message boxes are answered by the test.

#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "app/qt/qt_main_form_view.h"
#include "app/qt/qt_text.h"
#include "app/readout_sequence.h"
#include "common/result_file_names.h"
#include "common/windows1252.h"
#include "results/result_files.h"
#include "sim/board_dump.h"
#include "sim/recording_tone_player.h"
#include "sim/virtual_computer.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/process_end_catcher.h"
#include "tests/support/recording_window.h"
#include "tests/support/temporary_directory.h"
#include "tests/upload/ftp_servers.h"

namespace korvalesen::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::Eq;

// Through a view: clang 14 crashes on a static std::string made from a _w1252 literal.
constexpr std::string_view kPasswordText = "KpD#Ra27äMolch"_w1252;
const std::string kPassword(kPasswordText);

class ReadoutRunTest : public ::testing::Test {
 protected:
  ReadoutRunTest() {
    fs::create_directory(server_.Server().root / "import");
    computer_.Board().SetPaced(false);
  }
  ~ReadoutRunTest() override {
    // The user closes the window, which closes the port first, as the program's end does;
    // a window destroyed with its port still open on an unplugged device would raise the
    // port's error while its indicators unhook.
    view_.close();
    if (HasFailure()) {
      for (const std::string& box : Boxes()) std::cerr << "box shown: " << box << "\n";
    }
  }

  ProgramServices Services() {
    ProgramServices services;
    services.serial = computer_.Services();
    services.tone = &tone_;
    services.upload.host = "127.0.0.1";
    services.upload.port = server_.Server().port;
    services.upload.user = server_.Server().user;
    services.upload.password = server_.Server().password;
    services.upload.retryPause = std::chrono::milliseconds(10);
    services.upload.inactivityTimeout = std::chrono::seconds(10);
    return services;
  }

  // One tick of Timer1: the status the process ended with, nothing when the sequence
  // returned; an error leaving the sequence is kept.
  std::optional<ExitStatus> RunReadout() {
    view_.show();
    computer_.Board().Start();
    try {
      readout_.Run();
    } catch (const ProcessEnded& ended) {
      return ended.status;
    } catch (const Error& error) {
      escaped_ = error.Message();
    }
    return std::nullopt;
  }

  std::vector<std::string> Boxes() const {
    std::vector<std::string> lines;
    for (const ShownBox& box : answerer_.boxes()) {
      lines.push_back(box.caption.toStdString() + ": " + box.text.toStdString());
    }
    return lines;
  }
  bool AnyResultFileHere() const {
    for (const auto name : kResultFileNames) {
      if (fs::exists(name)) return true;
    }
    return false;
  }
  bool port_open() { return computer_.Line().IsOpen(); }
  // The folders of "nicht gesendet", sorted by name.
  static std::vector<fs::path> WaitingFolders() {
    std::vector<fs::path> folders;
    for (const auto& entry : fs::directory_iterator("nicht gesendet"))
      folders.push_back(entry.path());
    std::sort(folders.begin(), folders.end());
    return folders;
  }
  fs::path ServerFolder() const {
    return server_.Server().root / "import" / sim::SampleBoardImage().serialNumber;
  }

  TemporaryWorkingDirectory directory_;
  PyftpdlibServer server_{"korvalesen", kPassword};
  sim::VirtualComputer computer_;
  sim::RecordingTonePlayer tone_;
  QtMainFormView view_;
  TMainForm form_{view_, Services()};
  ReadoutSequence readout_{form_};
  MessageBoxAnswerer answerer_;
  std::string escaped_;
  ProcessEndCatcher process_end_;
};

TEST_F(ReadoutRunTest, ABoardReadOverTheSimulatorArrivesOnTheServer) {
  ConfigImage board = sim::SampleBoardImage();
  board.settings[0] = -123456;
  computer_.Board().SetImage(board);
  EXPECT_EQ(RunReadout(), ExitStatus::kSuccess);
  EXPECT_THAT(Boxes(), ElementsAre("Information: Übertragung erfolgreich beendet!"));
  for (const auto name : kResultFileNames) {
    EXPECT_TRUE(fs::exists(ServerFolder() / name)) << name;
  }
  EXPECT_FALSE(AnyResultFileHere());
  EXPECT_EQ(readout_.Image().serialNumber, board.serialNumber);
  EXPECT_EQ(readout_.Image().settings, board.settings);
  // The files on the server are those the writers make of the board's own image.
  fs::create_directory("expected");
  fs::current_path("expected");
  RecordingWindow window;
  ASSERT_TRUE(WriteResultFiles(board, form_.FaultTexts, window).has_value());
  for (const auto name : kResultFileNames) {
    EXPECT_EQ(ReadFileBytes(ServerFolder() / name), ReadFileBytes(name)) << name;
  }
  EXPECT_FALSE(computer_.Line().IsOpen());
  EXPECT_EQ(tone_.Played().size(), 1u);
  EXPECT_EQ(view_.statusLabel->text(), "Verbindung beendet");
}

TEST_F(ReadoutRunTest, WithoutTheAdapterTheWindowWaitsForSuchen) {
  computer_.SetDeviceFault(sim::DeviceFault::kNoAdapter);
  EXPECT_EQ(RunReadout(), std::nullopt);
  EXPECT_TRUE(escaped_.empty());
  EXPECT_THAT(Boxes(), ElementsAre("Fehler: USB-Port der LCD-Platine nicht gefunden!"));
  EXPECT_TRUE(view_.isVisible());
  EXPECT_TRUE(view_.SuchenButton->isEnabled());
  EXPECT_TRUE(view_.ComboBox->isEnabled());
  EXPECT_FALSE(view_.Timer1->isActive());
  EXPECT_EQ(view_.ComboBox->count(), 2);
  EXPECT_EQ(readout_.StatusOnClose(), ExitStatus::kPortSearch);
  EXPECT_FALSE(AnyResultFileHere());
}

TEST_F(ReadoutRunTest, ABoardThatDoesNotAnswerEndsTheRunWithoutFiles) {
  sim::BoardFaults faults;
  faults.noEcho = true;
  computer_.Board().SetFaults(faults);
  EXPECT_EQ(RunReadout(), ExitStatus::kBoardLink);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_THAT(Boxes()[0], ::testing::StartsWith("Fehler:      Gerät antwortet nicht!"));
  EXPECT_FALSE(computer_.Line().IsOpen());
  EXPECT_FALSE(AnyResultFileHere());
}

TEST_F(ReadoutRunTest, AResultFileThatCannotBeCreatedEndsTheRunWithItsPredecessorsDeleted) {
  fs::create_directory(std::string(FaultLogFileName));
  EXPECT_EQ(RunReadout(), ExitStatus::kResultFiles);
  EXPECT_THAT(Boxes(),
              ElementsAre("Information: Datei \"_Fehler.txt\" kann nicht erstellt werden!"));
  EXPECT_FALSE(fs::exists(std::string(ConfigFileName)));
  EXPECT_FALSE(fs::exists(std::string(SerialVersionFileName)));
  EXPECT_FALSE(fs::exists(ServerFolder()));
}

// A run whose upload fails sets its readout aside beside the readouts already waiting; none of
// them is lost or changed.
TEST_F(ReadoutRunTest, AMissingImportFolderEndsTheRunWithTheFilesWaiting) {
  fs::remove(server_.Server().root / "import");
  const fs::path earlier = fs::path("nicht gesendet") / "B777 2026-12-01 08.00.00";
  fs::create_directories(earlier);
  WriteFileBytes(earlier / ConfigFileName, "alt");
  EXPECT_EQ(RunReadout(), ExitStatus::kUpload);
  EXPECT_THAT(Boxes(), ElementsAre("Fehler: Ordner auf Server nicht gefunden."));
  EXPECT_FALSE(AnyResultFileHere());
  const std::vector<fs::path> waiting = WaitingFolders();
  ASSERT_EQ(waiting.size(), 2u);
  EXPECT_TRUE(waiting[0].filename().string().starts_with("A123 ")) << waiting[0];
  EXPECT_EQ(ReadFileBytes(waiting[1] / ConfigFileName), "alt");
  for (const auto name : kResultFileNames) EXPECT_TRUE(fs::exists(waiting[0] / name)) << name;
}

TEST_F(ReadoutRunTest, AnFtpErrorLeavesTheWindowOpenWithTheFilesWaiting) {
  // A plain file where the serial number's folder belongs: changing into it fails.
  WriteFileBytes(ServerFolder(), "x");
  EXPECT_EQ(RunReadout(), std::nullopt);
  EXPECT_FALSE(escaped_.empty());
  EXPECT_TRUE(view_.isVisible());
  EXPECT_EQ(readout_.StatusOnClose(), ExitStatus::kUpload);
  EXPECT_FALSE(AnyResultFileHere());
  const std::vector<fs::path> waiting = WaitingFolders();
  ASSERT_EQ(waiting.size(), 1u);
  for (const auto name : kResultFileNames) EXPECT_TRUE(fs::exists(waiting[0] / name)) << name;
}

TEST_F(ReadoutRunTest, ALineErrorDuringTheDumpClosesThePort) {
  sim::BoardFaults faults;
  faults.lineErrorAfter = 100;
  computer_.Board().SetFaults(faults);
  EXPECT_EQ(RunReadout(), std::nullopt);
  EXPECT_THAT(Boxes(), ElementsAre("Fehler: ComPortLineError:  ttyUSB0 !",
                                   "Fehler: ComPortError:  ttyUSB0 !"));
  EXPECT_TRUE(escaped_.empty());  // the silent abort
  EXPECT_FALSE(port_open());
  EXPECT_EQ(readout_.StatusOnClose(), ExitStatus::kBoardLink);
  EXPECT_FALSE(AnyResultFileHere());
}

TEST_F(ReadoutRunTest, UnpluggingDuringTheDumpEndsTheReadWithThePortsError) {
  sim::BoardFaults faults;
  faults.unplugAfter = 100;
  computer_.Board().SetFaults(faults);
  EXPECT_EQ(RunReadout(), std::nullopt);
  // The reader's next call and the event thread's wait both report the port's error.
  EXPECT_THAT(Boxes(), Each(Eq("Fehler: ComPortError:  ttyUSB0 !")));
  EXPECT_FALSE(Boxes().empty());
  EXPECT_EQ(readout_.StatusOnClose(), ExitStatus::kBoardLink);
  EXPECT_FALSE(AnyResultFileHere());
}

TEST_F(ReadoutRunTest, ClosingTheWindowDuringTheDumpCountsAsBeforeTheBoardWasRead) {
  computer_.Board().SetPaced(true);
  QTimer::singleShot(3000, &view_, [this] { view_.close(); });
  EXPECT_EQ(RunReadout(), std::nullopt);
  EXPECT_FALSE(view_.isVisible());
  EXPECT_FALSE(port_open());
  EXPECT_EQ(readout_.StatusOnClose(), ExitStatus::kPortSearch);
  EXPECT_FALSE(AnyResultFileHere());
}

// Processes the window's messages for a while, as the message loop would.
void ProcessMessagesFor(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < end) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
}

// After "Keinen ComPort auf dem PC gefunden!" only closing was left: now the adapter plugged in
// enables the controls and the search follows 1 s later (Timer1), as after "suchen". Another
// device changes nothing.
TEST_F(ReadoutRunTest, TheAdapterPluggedInAfterAFailedSearchStartsTheSearch) {
  computer_.SetDeviceFault(sim::DeviceFault::kNoSerialPorts);
  EXPECT_EQ(RunReadout(), std::nullopt);
  EXPECT_FALSE(view_.SuchenButton->isEnabled());
  using Kind = platform::DeviceNotice::Kind;
  computer_.Notices().Announce(
      {{Kind::kArrival, "USB#VID_046D&PID_C52B#1-2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"},
       {Kind::kArrival, "ttyS1"}});
  ProcessMessagesFor(std::chrono::milliseconds(100));
  EXPECT_FALSE(view_.Timer1->isActive());
  EXPECT_FALSE(view_.SuchenButton->isEnabled());

  computer_.PlugInAdapter();
  ProcessMessagesFor(std::chrono::milliseconds(100));
  EXPECT_TRUE(view_.Timer1->isActive());
  EXPECT_EQ(view_.Timer1->interval(), 1000);
  EXPECT_TRUE(view_.SuchenButton->isEnabled());
  EXPECT_TRUE(view_.ComboBox->isEnabled());
  EXPECT_EQ(view_.statusLabel->text(), "USB-Adapter erkannt, Suche startet");
  // What Timer1's tick runs.
  EXPECT_EQ(RunReadout(), ExitStatus::kSuccess);
  EXPECT_THAT(Boxes(), ElementsAre("Fehler: Keinen ComPort auf dem PC gefunden!",
                                   "Information: Übertragung erfolgreich beendet!"));
}

// The adapter plugged in while the failed search's box is open counts once it is confirmed.
// (Whether it arrives in the box or after it, the search follows.)
TEST_F(ReadoutRunTest, AnArrivalDuringTheSearchsBoxCountsAfterIt) {
  computer_.SetDeviceFault(sim::DeviceFault::kNoAdapter);
  // The notice waits for the run's first processing of messages: the box.
  using Kind = platform::DeviceNotice::Kind;
  computer_.Notices().Announce({{Kind::kArrival, sim::VirtualComputer::kAdapterInterface}});
  EXPECT_EQ(RunReadout(), std::nullopt);
  EXPECT_THAT(Boxes(), ElementsAre("Fehler: USB-Port der LCD-Platine nicht gefunden!"));
  // Its delivery takes a second round of messages, which the box may or may not still run.
  ProcessMessagesFor(std::chrono::milliseconds(100));
  EXPECT_TRUE(view_.Timer1->isActive());
  EXPECT_EQ(view_.statusLabel->text(), "USB-Adapter erkannt, Suche startet");
}

// The handshake's pauses process the window's messages: a close during the board's start-up
// ends the run at once, with the port closed and no file written.
TEST_F(ReadoutRunTest, ClosingTheWindowDuringTheHandshakeEndsTheRunAtOnce) {
  using Clock = std::chrono::steady_clock;
  Clock::time_point closed;
  QTimer::singleShot(1000, &view_, [&] {
    closed = Clock::now();
    view_.close();
  });
  EXPECT_EQ(RunReadout(), std::nullopt);
  EXPECT_LT(Clock::now() - closed, std::chrono::seconds(1)) << "the run went on after the close";
  EXPECT_TRUE(escaped_.empty());  // the silent abort
  EXPECT_TRUE(Boxes().empty());
  EXPECT_FALSE(port_open());
  EXPECT_EQ(computer_.Board().Received(), "") << "no probe after the close";
  EXPECT_EQ(readout_.StatusOnClose(), ExitStatus::kPortSearch);
  EXPECT_FALSE(AnyResultFileHere());
}

// "suchen" and the port list, used while the board is read, start no second run.
TEST_F(ReadoutRunTest, SuchenAndThePortListDoNothingDuringARun) {
  QTimer::singleShot(500, &view_, [this] {
    view_.SuchenButton->click();
    emit view_.ComboBox->activated(0);
  });
  EXPECT_EQ(RunReadout(), ExitStatus::kSuccess);
  EXPECT_FALSE(view_.Timer1->isActive());
  EXPECT_EQ(computer_.Board().Resets(), 1);
  EXPECT_THAT(Boxes(), ElementsAre("Information: Übertragung erfolgreich beendet!"));
}

}  // namespace
}  // namespace korvalesen::testing
