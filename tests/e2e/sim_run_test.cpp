// Whole runs of the korvalesen-sim binary: the real window offscreen, the board simulator, the
// result files in the run's working directory and a real FTP server on loopback. Each test
// runs one failure class (or the success path) with its cases side by side and checks what
// each printed, its exit status and the files it left.

#include "tests/e2e/sim_run.h"

#include <gmock/gmock.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "board/dump_reader.h"
#include "common/result_file_names.h"
#include "common/windows1252.h"
#include "results/result_files.h"
#include "sim/board_dump.h"
#include "sim/virtual_computer.h"
#include "tests/support/dropping_server.h"
#include "tests/support/recording_window.h"
#include "tests/support/temporary_directory.h"

namespace korvalesen::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::Eq;
using ::testing::IsEmpty;
using ::testing::Not;

// Through a view: clang 14 crashes on a static std::string made from a _w1252 literal.
constexpr std::string_view kPasswordText = "KpD#Ra27äMolch"_w1252;
const std::string kPassword(kPasswordText);
const std::string kConfig(ConfigFileName);
const std::string kFaultLog(FaultLogFileName);
const std::string kSerialVersion(SerialVersionFileName);
const std::vector<std::string> kAllResultFiles = {kFaultLog, kConfig, kSerialVersion};
// The simulated adapter's port, as the messages name it.
const std::string kPort = sim::VirtualComputer::kAdapterPort;

// A server with the program's account and the folder "import".
class ServerWithImport {
 public:
  ServerWithImport() { fs::create_directory(server_.Server().root / "import"); }
  const FtpServer& Server() const { return server_.Server(); }
  fs::path Folder(const std::string& serial_number) const {
    return Server().root / "import" / serial_number;
  }

 private:
  PyftpdlibServer server_{"korvalesen", kPassword};
};

// A file size limit (prlimit) stands for a full disk on Linux. Under Wine it proves nothing of
// Windows: Wine reports a write that the limit cut as complete ("ftruncate() failed: File too
// large" on its error output), so the cut file goes out as if whole.
#ifdef _WIN32
constexpr bool kFileSizeLimitCutsWrites = false;
#else
constexpr bool kFileSizeLimitCutsWrites = true;
#endif

// A run that sends these bytes as the board's dump.
SimRun WithDump(const std::string& dump) {
  SimRun run;
  run.arguments = {"--dump", "dump.bin"};
  run.prepare = [dump](const fs::path& directory) { WriteFileBytes(directory / "dump.bin", dump); };
  return run;
}

SimRun WithArguments(std::vector<std::string> arguments) {
  SimRun run;
  run.arguments = std::move(arguments);
  return run;
}

std::vector<SimRun> RunsWithArguments(const std::vector<std::vector<std::string>>& lists) {
  std::vector<SimRun> runs;
  for (const auto& arguments : lists) runs.push_back(WithArguments(arguments));
  return runs;
}

// The entries runs left in a working folder, besides the dump file, the lock file and the log.
std::vector<std::string> LeftBehindIn(const fs::path& folder) {
  std::vector<std::string> names = EntriesOf(folder);
  for (const char* own : {"dump.bin", "korvalesen.lock", "korvalesen.log"}) std::erase(names, own);
  return names;
}

std::vector<std::string> LeftBehind(const SimRun& run) {
  return LeftBehindIn(run.directory->Path());
}

// The three result files as the writers make them of the image.
std::map<std::string, std::string> ResultFilesOf(const ConfigImage& image) {
  TemporaryWorkingDirectory directory;
  RecordingWindow window;
  EXPECT_TRUE(WriteResultFiles(image, BuildFaultTexts(), window));
  std::map<std::string, std::string> files;
  for (const std::string& name : kAllResultFiles) files[name] = ReadFileBytes(name);
  return files;
}

std::map<std::string, std::string> FilesIn(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const std::string& name : EntriesOf(folder)) files[name] = ReadFileBytes(folder / name);
  return files;
}

// The sample board's dump, and where its ASCII part ends (the end marker included).
const std::string kDump = sim::BuildDump(sim::SampleBoardImage());
const std::size_t kAsciiPart = kDump.find(static_cast<char>(DumpEndMarker)) + 1;

std::string After(std::size_t bytes) {
  return "silence-after:" + std::to_string(bytes);
}

std::string Replaced(std::size_t position, char byte) {
  std::string dump = kDump;
  dump[position] = byte;
  return dump;
}

const char kTimeOut[] = "Fehler: Datenübertragungsfehler!\\n\\nZeitüberschreitung.";
const char kMemoryEnd[] = "Fehler: Datenübertragungsfehler!\\n\\nSpeicherende erreicht!";

TEST(SimRunTest, CompleteRunsUploadTheFilesAndLeaveNoneBehind) {
  ServerWithImport server;
  ConfigImage from_dump = sim::SampleBoardImage();
  from_dump.serialNumber = "D001";
  from_dump.settings[5] = -77;
  constexpr std::uint32_t kSeed = 11;
  const ConfigImage from_seed = sim::RandomBoardImage(kSeed);
  ASSERT_EQ(from_seed.serialNumber.find_first_of("/\\.*?"), std::string::npos);

  ConfigImage largest = from_dump;
  largest.serialNumber = "L064";
  // The serial number ends at its first NUL.
  ConfigImage short_serial = from_dump;
  short_serial.serialNumber = std::string("S\0\0\0", 4);

  std::vector<SimRun> runs(7);
  runs[1] = WithDump(sim::BuildDump(from_dump));
  runs[2] = WithArguments({"--seed", std::to_string(kSeed)});
  runs[3] = WithDump(sim::PaddedDump(largest, DumpAcceptedBytes));
  runs[4] = WithDump(sim::BuildDump(short_serial));
  // A board that takes the DTR pulse of the port's open as a reset has started up again long
  // before the handshake resets it; an adapter whose latency timer the udev rule set.
  ConfigImage glitch = from_dump;
  glitch.serialNumber = "G001";
  ConfigImage fast_adapter = from_dump;
  fast_adapter.serialNumber = "F001";
  runs[5] = WithDump(sim::BuildDump(glitch));
  runs[5].arguments.insert(runs[5].arguments.end(), {"--fault", "reset-on-glitch"});
  runs[6] = WithDump(sim::BuildDump(fast_adapter));
  runs[6].arguments.insert(runs[6].arguments.end(), {"--fault", "latency:1"});
  // Files a failed upload left are set aside, never overwritten, and sent before the new ones.
  const std::string unsent_serial = "Seriennummer:   OLD1\r\nVersion:        1\r\n";
  runs[0].prepare = [&](const fs::path& directory) {
    WriteFileBytes(directory / kConfig, "alt");
    WriteFileBytes(directory / kSerialVersion, unsent_serial);
  };
  const std::vector<ConfigImage> images = {
      sim::SampleBoardImage(), from_dump, from_seed, largest, short_serial, glitch, fast_adapter};
  const std::vector<std::string> folders = {"A123", "D001", from_seed.serialNumber, "L064", "S",
                                            "G001", "F001"};
  for (SimRun& run : runs) run.server = &server.Server();
  RunAll(runs);

  for (std::size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(folders[i]);
    EXPECT_EQ(runs[i].status, 0);
    if (i == 0) {
      // The box's line ends are printed as "\n".
      EXPECT_THAT(runs[i].lines, ElementsAre("Information: Übertragung erfolgreich beendet!\\n\\n"
                                             "Frühere Auslesungen gesendet: 1\\nFrühere "
                                             "Auslesungen noch nicht gesendet: 0"));
    } else {
      EXPECT_THAT(runs[i].lines, ElementsAre("Information: Übertragung erfolgreich beendet!"));
    }
    EXPECT_THAT(LeftBehind(runs[i]), IsEmpty());
    EXPECT_EQ(FilesIn(server.Folder(folders[i])), ResultFilesOf(images[i]));
  }
  EXPECT_EQ(
      FilesIn(server.Folder("OLD1")),
      (std::map<std::string, std::string>{{kConfig, "alt"}, {kSerialVersion, unsent_serial}}));
}

struct FailureCase {
  std::string what;
  SimRun run;
  std::vector<std::string> lines;
};

FailureCase Fault(const std::string& fault, std::vector<std::string> lines) {
  return {fault, WithArguments({"--fault", fault}), std::move(lines)};
}

// Runs the cases; each ends with the status after its messages alone, without a file here or
// on the server.
void ExpectFailures(std::vector<FailureCase> cases, int status) {
  ServerWithImport server;
  std::vector<SimRun> runs;
  for (FailureCase& c : cases) runs.push_back(std::move(c.run));
  for (SimRun& run : runs) run.server = &server.Server();
  RunAll(runs);

  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].what);
    EXPECT_EQ(runs[i].status, status);
    EXPECT_THAT(runs[i].lines, ElementsAreArray(cases[i].lines));
    EXPECT_THAT(LeftBehind(runs[i]), IsEmpty());
  }
  EXPECT_THAT(EntriesOf(server.Server().root / "import"), IsEmpty());
}

// The window waits for the user, who closes it.
TEST(SimRunTest, AFailedPortSearchWaitsForTheUserWithoutFiles) {
  std::vector<FailureCase> cases;
  cases.push_back(Fault("no-serial-ports", {"Fehler: Keinen ComPort auf dem PC gefunden!"}));
  cases.push_back(Fault("no-adapter", {"Fehler: USB-Port der LCD-Platine nicht gefunden!"}));
  cases.push_back(Fault("no-port-key", {"Fehler: RegSchlüssel nicht gefunden !"}));
  cases.push_back(Fault("no-port-name", {"Fehler: RegWert (PortName) nicht gefunden !"}));
  cases.push_back(Fault("port-busy", {"Fehler: ComPortError:  " + kPort +
                                          " !\\n\\nDer Port kann nicht geöffnet werden.",
                                      "Fehler: PortSuche nicht erfolgreich !"}));
  ExpectFailures(std::move(cases), 1);
}

TEST(SimRunTest, AHandshakeFailureEndsTheRunWithoutFiles) {
  const std::string no_answer =
      "Fehler:      Gerät antwortet nicht!\\n\\nMögliche Gründe, z.B.:\\nTest-Jumper auf "
      "Platine vergessen.\\nNetzkabel nicht entfernt.\\nNoch keine Firmware geladen.";
  std::vector<FailureCase> cases;
  cases.push_back(Fault("no-ack-on",
                        {"Fehler: Keine Rückmeldung vom \"Reset\"-Befehl \"ein\" erhalten!\\n\\n   "
                         "     Datenübertragung abgebrochen!"}));
  cases.push_back(Fault("no-ack-off",
                        {"Fehler: Keine Rückmeldung vom \"Reset\"-Befehl \"aus\" erhalten!\\n\\n   "
                         "     Datenübertragung abgebrochen!"}));
  cases.push_back(Fault("no-echo", {no_answer}));
  cases.push_back(Fault("wrong-echo", {no_answer}));
  cases.push_back(Fault("late-echo", {no_answer}));
  cases.push_back(
      Fault("stuck-write", {"Fehler: Daten senden konnte nicht ausgeführt werden!  Fehlercode "
                            "1\\n\\n             Datenübertragung abgebrochen!"}));
  ExpectFailures(std::move(cases), 2);
}

// The UTF-8 bytes of a path, as a command line carries them to a child.
std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

// A user of a profile of its own named "Łukasz" for the runs it wraps: on Linux a home of that
// name (HOME); under Wine the profile "C:\users\Łukasz <n>", which Wine gives the user of
// that name (USER) once the folder exists. The user's folder "Korvalesen" lies in it.
class UserLukasz {
 public:
  UserLukasz() {
#ifdef _WIN32
    std::random_device random;
    const fs::path name = fs::path(u8"Łukasz ") += std::to_string(random());
    profile_ = fs::path(_wgetenv(L"USERPROFILE")).parent_path() / name;
    fs::create_directory(profile_);
    environment_ = "USER=" + Utf8(name);
#else
    profile_ = homes_.Path() / u8"Łukasz";
    fs::create_directory(profile_);
    environment_ = "HOME=" + Utf8(profile_);
#endif
  }
  ~UserLukasz() {
#ifdef _WIN32
    std::error_code ignored;
    fs::remove_all(profile_, ignored);
#endif
  }
  UserLukasz(const UserLukasz&) = delete;
  UserLukasz& operator=(const UserLukasz&) = delete;

  const fs::path& Profile() const {
    return profile_;
  }
  fs::path KorvalesenFolder() const {
    return profile_ / "Korvalesen";
  }
  std::vector<std::string> Wrapper() const {
    return {"/usr/bin/env", environment_};
  }

 private:
#ifndef _WIN32
  TempFolder homes_;
#endif
  fs::path profile_;
  std::string environment_;
};

// The working folder however the program was started, each run by a user named "Łukasz":
// started in its own folder or in one it cannot write (the process file system), it works in
// the profile's "Korvalesen", which it makes; started in a folder of the user's, it works
// there. Where the upload fails, the files and then "nicht gesendet" lie in "Korvalesen".
TEST(SimRunTest, TheResultsFolderWorksHoweverTheProgramWasStarted) {
  ServerWithImport server;
  const std::vector<std::string> sim_command = {KORVALESEN_SIM_COMMAND};
  const std::string own_folder = fs::path(sim_command.back()).parent_path().string();
  const std::vector<std::unique_ptr<UserLukasz>> users = [] {
    std::vector<std::unique_ptr<UserLukasz>> made;
    for (int i = 0; i < 4; ++i) made.push_back(std::make_unique<UserLukasz>());
    return made;
  }();
  const fs::path users_folder = users[2]->Profile() / u8"Messungen Łukasz";
  fs::create_directory(users_folder);
  std::vector<SimRun> runs(3);
  runs[0].startIn = FromChildPath(own_folder);
  runs[1].startIn = FromChildPath("/proc");
  runs[2].startIn = users_folder;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    runs[i].wrapper = users[i]->Wrapper();
    runs[i].server = &server.Server();
    // Boards of their own, so that the runs at once never share a server folder.
    runs[i].arguments = {"--seed", std::to_string(i + 1)};
  }
  RunAll(runs);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(Utf8(runs[i].startIn));
    EXPECT_EQ(runs[i].status, 0);
    EXPECT_THAT(runs[i].lines, ElementsAre("Information: Übertragung erfolgreich beendet!"));
    const ConfigImage board = sim::RandomBoardImage(static_cast<std::uint32_t>(i + 1));
    EXPECT_EQ(FilesIn(server.Folder(board.serialNumber)), ResultFilesOf(board));
  }
  EXPECT_THAT(LeftBehindIn(users[0]->KorvalesenFolder()), IsEmpty());
  EXPECT_THAT(LeftBehindIn(users[1]->KorvalesenFolder()), IsEmpty());
  EXPECT_THAT(EntriesOf(users[2]->Profile()), Not(Contains("Korvalesen")));
  EXPECT_THAT(LeftBehindIn(users_folder), IsEmpty());
  EXPECT_TRUE(fs::exists(users_folder / "korvalesen.log"));
  EXPECT_FALSE(fs::exists(runs[0].startIn / kConfig));

  // No server: each run sets its files aside in the profile's "Korvalesen".
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::vector<SimRun> unsent(1);
    unsent[0].startIn = runs[0].startIn;
    unsent[0].wrapper = users[3]->Wrapper();
    RunAll(unsent);
    EXPECT_EQ(unsent[0].status, 4);
  }
  EXPECT_THAT(LeftBehindIn(users[3]->KorvalesenFolder()), ElementsAre("nicht gesendet"));
  EXPECT_EQ(EntriesOf(users[3]->KorvalesenFolder() / "nicht gesendet").size(), 2u);
}

// The adapter plugged in after the first search failed, with the system's device notices: the
// search follows by itself and the whole readout with it.
TEST(SimRunTest, TheAdapterPluggedInLateStartsTheRun) {
  ServerWithImport server;
  // A board of its own for the second run, so that the two uploads never share a folder.
  constexpr std::uint32_t kOtherBoard = 5;
  std::vector<SimRun> runs =
      RunsWithArguments({{"--fault", "plug-in-late:1500"},
                         {"--fault", "no-serial-ports", "--fault", "plug-in-late:0", "--seed",
                          std::to_string(kOtherBoard)}});
  for (SimRun& run : runs) run.server = &server.Server();
  RunAll(runs);
  const std::vector<std::string> first = {"Fehler: USB-Port der LCD-Platine nicht gefunden!",
                                          "Fehler: Keinen ComPort auf dem PC gefunden!"};
  for (std::size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(first[i]);
    EXPECT_EQ(runs[i].status, 0);
    EXPECT_THAT(runs[i].lines,
                ElementsAre(first[i], "Information: Übertragung erfolgreich beendet!"));
    EXPECT_THAT(LeftBehind(runs[i]), IsEmpty());
  }
  EXPECT_EQ(FilesIn(server.Folder("A123")), ResultFilesOf(sim::SampleBoardImage()));
  const ConfigImage other = sim::RandomBoardImage(kOtherBoard);
  EXPECT_EQ(FilesIn(server.Folder(other.serialNumber)), ResultFilesOf(other));
}

// Threads that keep the processors busy for their life, as other programs on the machine do.
class Spinners {
 public:
  explicit Spinners(int count) {
    for (int i = 0; i < count; ++i) {
      threads_.emplace_back([this] {
        while (!stop_.load(std::memory_order_relaxed)) {
        }
      });
    }
  }
  ~Spinners() {
    stop_ = true;
    for (std::thread& thread : threads_) thread.join();
  }
  Spinners(const Spinners&) = delete;
  Spinners& operator=(const Spinners&) = delete;

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

// The echo window is kept by the clock, not by counting polls that a busy machine stretches:
// an echo 150 ms after the probe is too late, one after 80 ms is in time.
TEST(SimRunTest, TheEchoWindowHoldsAlsoOnABusyMachine) {
  ServerWithImport server;
  const Spinners busy(2);
  std::vector<SimRun> runs =
      RunsWithArguments({{"--fault", "late-echo:150"}, {"--fault", "late-echo:80"}});
  for (SimRun& run : runs) run.server = &server.Server();
  RunAll(runs);
  EXPECT_EQ(runs[0].status, 2);
  EXPECT_THAT(runs[0].lines,
              ElementsAre("Fehler:      Gerät antwortet nicht!\\n\\nMögliche Gründe, z.B.:\\nTest-"
                          "Jumper auf Platine vergessen.\\nNetzkabel nicht entfernt.\\nNoch keine "
                          "Firmware geladen."));
  EXPECT_EQ(runs[1].status, 0);
  EXPECT_THAT(runs[1].lines, ElementsAre("Information: Übertragung erfolgreich beendet!"));
  EXPECT_EQ(FilesIn(server.Folder("A123")), ResultFilesOf(sim::SampleBoardImage()));
}

// The longest time the window went without processing its messages stays far below the
// seconds after which a system calls it hung, in a whole run and in one whose server drops
// every packet (three connection attempts of a second each, with their pauses).
TEST(SimRunTest, TheWindowKeepsAnsweringThroughARun) {
  ServerWithImport server;
  const DroppingServer dropping;
  std::vector<SimRun> runs = RunsWithArguments({{"--report-ui-gap"},
                                                {"--report-ui-gap", "--timeout", "1000", "--ftp",
                                                 "127.0.0.1:" + std::to_string(dropping.Port())}});
  runs[0].server = &server.Server();
  RunAll(runs);
  EXPECT_EQ(runs[0].status, 0);
  EXPECT_EQ(runs[1].status, 4);
  EXPECT_THAT(runs[1].lines.front(),
              Eq("Fehler: Verbindung zum Server konnte nicht hergestellt werden."));
  for (const SimRun& run : runs) {
    ASSERT_FALSE(run.lines.empty());
    const std::string prefix = "longest time without processing window messages: ";
    ASSERT_THAT(run.lines.back(), ::testing::StartsWith(prefix));
    const int gap = std::stoi(run.lines.back().substr(prefix.size()));
    EXPECT_LT(gap, 1000) << run.lines.back();
  }
}

// The board goes silent in the ASCII part, before the control character, before the language
// code, before the device type and in the version text.
TEST(SimRunTest, ASilentBoardTimesOutInEachReceiveStage) {
  std::vector<FailureCase> cases;
  cases.push_back(Fault(After(100), {kTimeOut}));
  cases.push_back(Fault(After(kAsciiPart),
                        {"Fehler: Datenübertragungsfehler!\\n\\nZeitüberschreitung.\\nFirmware in "
                         "LCD-Platine vermutlich nicht kompatibel!"}));
  cases.push_back(Fault(After(kAsciiPart + 1), {kTimeOut}));
  cases.push_back(Fault(After(kAsciiPart + 2),
                        {"Fehler: Datenübertragungsfehler!\\n\\nZeitüberschreitung.\\nGerätetyp-"
                         "Kennzeichen nicht empfangen!"}));
  cases.push_back(Fault(After(kAsciiPart + 5), {kTimeOut}));
  ExpectFailures(std::move(cases), 2);
}

TEST(SimRunTest, AMalformedDumpEndsTheRunWithTheStagesMessage) {
  const std::string version_too_long = kDump.substr(0, kAsciiPart + 3) + "12345678901234567_";
  std::vector<FailureCase> cases;
  // Its 63995th byte is the end marker.
  cases.push_back({"ASCII part too long",
                   WithDump(sim::PaddedDump(sim::SampleBoardImage(), DumpAcceptedBytes + 1)),
                   {kMemoryEnd}});
  cases.push_back({"wrong control character",
                   WithDump(Replaced(kAsciiPart, 4)),
                   {"Fehler: Datenübertragungsfehler!\\n\\nFalsches Kontrollzeichen "
                    "empfangen.\\nFirmware in LCD-Platine vermutlich nicht kompatibel."}});
  cases.push_back({"invalid language",
                   WithDump(Replaced(kAsciiPart + 1, 2)),
                   {"Fehler: Datenübertragungsfehler!\\n\\nUngültiges Sprach-Kontrollzeichen "
                    "empfangen."}});
  cases.push_back({"version text too long", WithDump(version_too_long), {kMemoryEnd}});
  cases.push_back({"one field too many",
                   WithDump("7_" + kDump),
                   {"Fehler: Datenübertragungsfehler!\\n\\nFalsches Bestätigungsbyte!"}});
  ExpectFailures(std::move(cases), 2);
}

// A line error while the reader is idle, one between its count and its read, and the noise of
// a board held in reset (found by the probe's write); then an unplugged adapter.
TEST(SimRunTest, ALineErrorOrAnUnpluggedAdapterEndsTheReadWithThePortsMessages) {
  ServerWithImport server;
  std::vector<SimRun> runs = RunsWithArguments({{"--fault", "line-error-after:100"},
                                                {"--fault", "line-error-in-read:100"},
                                                {"--fault", "reset-noise"},
                                                {"--fault", "unplug-after:100"}});
  for (SimRun& run : runs) run.server = &server.Server();
  RunAll(runs);

  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(runs[i].arguments[1]);
    EXPECT_EQ(runs[i].status, 2);
    EXPECT_THAT(runs[i].lines, ElementsAre("Fehler: ComPortLineError:  " + kPort + " !",
                                           "Fehler: ComPortError:  " + kPort + " !"));
    // The log names the line errors the box does not: the simulator's are framing errors.
    const std::string log = ReadFileBytes(runs[i].directory->Path() / "korvalesen.log");
    const std::size_t line = log.find(" Leitungsfehler: ");
    ASSERT_NE(line, std::string::npos) << log;
    EXPECT_NE(log.substr(line, log.find('\r', line) - line).find("Rahmen"), std::string::npos)
        << log;
  }
  EXPECT_EQ(runs[3].status, 2);
  // The reader's next call and the event thread's wait may both report the port's error.
  EXPECT_THAT(runs[3].lines, Not(IsEmpty()));
  EXPECT_THAT(runs[3].lines, Each(Eq("Fehler: ComPortError:  " + kPort + " !")));
  for (const SimRun& run : runs) EXPECT_THAT(LeftBehind(run), IsEmpty());
  EXPECT_THAT(EntriesOf(server.Server().root / "import"), IsEmpty());
}

TEST(SimRunTest, AResultFileThatCannotBeCreatedLeavesNoneOfThisRun) {
  ServerWithImport server;
  // A folder of the file's name stands in the way of each writer in turn.
  const std::vector<std::string> blocked = {kConfig, kFaultLog, kSerialVersion};
  std::vector<SimRun> runs;
  for (const std::string& name : blocked) {
    SimRun run;
    run.server = &server.Server();
    run.prepare = [name](const fs::path& directory) { fs::create_directory(directory / name); };
    runs.push_back(std::move(run));
  }
  // Unsent files that cannot be set aside stay as they are; nothing is written.
  SimRun cannot_set_aside;
  cannot_set_aside.server = &server.Server();
  cannot_set_aside.prepare = [](const fs::path& directory) {
    WriteFileBytes(directory / "nicht gesendet", "a file where the folder belongs");
    WriteFileBytes(directory / kFaultLog, "alt");
  };
  runs.push_back(std::move(cannot_set_aside));
  // A file size limit cuts "_Konfig.lcd" mid-line (SIGXFSZ ignored, as a full disk would).
  if (kFileSizeLimitCutsWrites) {
    SimRun size_limited;
    size_limited.server = &server.Server();
    size_limited.wrapper = {"/bin/sh", "-c", "trap '' XFSZ; exec prlimit --fsize=300 \"$@\"", "sh"};
    runs.push_back(std::move(size_limited));
  }
  RunAll(runs);

  for (std::size_t i = 0; i < blocked.size(); ++i) {
    SCOPED_TRACE(blocked[i]);
    EXPECT_EQ(runs[i].status, 3);
    EXPECT_THAT(runs[i].lines, ElementsAre("Information: Datei \"" + blocked[i] +
                                           "\" kann nicht erstellt werden!"));
    EXPECT_THAT(LeftBehind(runs[i]), ElementsAre(blocked[i]));
    EXPECT_TRUE(fs::is_directory(runs[i].directory->Path() / blocked[i]));
  }
  EXPECT_EQ(runs[3].status, 3);
  // The folder's path as the system writes it.
  EXPECT_THAT(runs[3].lines,
              ElementsAre(::testing::AllOf(
                  ::testing::StartsWith("Information: Ordner \"" +
                                        (fs::path("nicht gesendet") / "unbekannt ").string()),
                  ::testing::EndsWith("\" kann nicht erstellt werden!"))));
  EXPECT_EQ(ReadFileBytes(runs[3].directory->Path() / kFaultLog), "alt");
  if (kFileSizeLimitCutsWrites) {
    EXPECT_EQ(runs[4].status, 3);
    EXPECT_THAT(runs[4].lines,
                ElementsAre("Information: Datei \"" + kConfig + "\" kann nicht erstellt werden!"));
    EXPECT_THAT(LeftBehind(runs[4]), IsEmpty());
  }
  EXPECT_THAT(EntriesOf(server.Server().root / "import"), IsEmpty());
}

TEST(SimRunTest, AFailedUploadKeepsTheFiles) {
  ServerWithImport server;
  PyftpdlibServer without_import("korvalesen", kPassword);
  ServerWithImport folder_blocked;
  // A plain file where the serial number's folder belongs: changing into it fails.
  WriteFileBytes(folder_blocked.Folder(sim::SampleBoardImage().serialNumber), "x");

  std::vector<SimRun> runs(6);
  // runs[0]: nothing listens on the server's port.
  runs[1].server = &server.Server();
  runs[1].arguments = {"--password", "falsch"};
  runs[2].server = &without_import.Server();
  runs[3].server = &folder_blocked.Server();
  // Serial numbers that would leave "import" or inject a command: refused before connecting.
  for (const std::string serial_number : {"../x", "A\r\nB"}) {
    ConfigImage garbled = sim::SampleBoardImage();
    garbled.serialNumber = serial_number;
    runs[serial_number == "../x" ? 4 : 5] = WithDump(sim::BuildDump(garbled));
  }
  runs[4].server = &server.Server();
  runs[5].server = &server.Server();
  RunAll(runs);

  const std::string no_connection =
      "Fehler: Verbindung zum Server konnte nicht hergestellt werden.";
  EXPECT_THAT(runs[0].lines, ElementsAre(no_connection));
  EXPECT_THAT(runs[1].lines, ElementsAre(no_connection));
  EXPECT_THAT(runs[2].lines, ElementsAre("Fehler: Ordner auf Server nicht gefunden."));
  // The error leaves the readout; its display shows the server's reply.
  EXPECT_THAT(runs[3].lines, ElementsAre(::testing::StartsWith("Korvalesen: 550 ")));
  EXPECT_THAT(runs[4].lines,
              ElementsAre("Fehler: Seriennummer \"../x\" ist als Ordnername ungültig!"));
  EXPECT_THAT(runs[5].lines,
              ElementsAre("Fehler: Seriennummer \"A??B\" ist als Ordnername ungültig!"));
  // The readout waits in "nicht gesendet" for the next run, under its serial number when that
  // can name a folder.
  for (std::size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(runs[i].status, 4);
    EXPECT_THAT(LeftBehind(runs[i]), ElementsAre("nicht gesendet"));
    const fs::path unsent = runs[i].directory->Path() / "nicht gesendet";
    ASSERT_TRUE(fs::is_directory(unsent));
    const std::vector<std::string> waiting = EntriesOf(unsent);
    ASSERT_EQ(waiting.size(), 1u);
    EXPECT_THAT(waiting[0], ::testing::StartsWith(i < 4 ? "A123 " : "unbekannt "));
    EXPECT_THAT(EntriesOf(unsent / waiting[0]), ElementsAreArray(kAllResultFiles));
  }
  EXPECT_THAT(EntriesOf(server.Server().root / "import"), IsEmpty());
  EXPECT_FALSE(fs::exists(server.Server().root / "x"));
}

// The log beside the results tells support what happened, without the password; a log that
// cannot be written leaves the run as it was.
TEST(SimRunTest, TheSupportLogTellsTheRunAndNeverThePassword) {
  ServerWithImport server;
  std::vector<SimRun> runs(3);
  for (SimRun& run : runs) run.server = &server.Server();
  runs[1].arguments = {"--password", "falsch"};
  // A board of its own, so that the two uploads at once never share a server folder.
  runs[2].arguments = {"--seed", "3"};
  runs[2].prepare = [](const fs::path& directory) {
    fs::create_directory(directory / "korvalesen.log");
  };
  RunAll(runs);

  const std::string log = ReadFileBytes(runs[0].directory->Path() / "korvalesen.log");
  for (const std::string& expected :
       {std::string("Start Korvalesen "), "Port gefunden: " + kPort + ", Adapter ",
        std::string("DTR ein, DSR ein nach "), std::string("DTR aus, DSR aus nach "),
        std::string("Echo 0xBA nach "), std::string("Konfiguration gelesen: "),
        std::string("Datei geschrieben: _Fehler.txt ("), std::string("> user korvalesen\r\n"),
        std::string("> pass ****\r\n"), std::string("< 230 "), std::string("> STOR _Konfig.lcd"),
        std::string("Meldung Information: "), std::string("Ende, Status 0\r\n")}) {
    EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;
  }
  const std::string wrong = ReadFileBytes(runs[1].directory->Path() / "korvalesen.log");
  EXPECT_NE(wrong.find("< 530 "), std::string::npos) << wrong;
  EXPECT_NE(wrong.find("Verbindungsversuch 3 fehlgeschlagen: 530 "), std::string::npos) << wrong;
  EXPECT_NE(wrong.find("Ende, Status 4\r\n"), std::string::npos) << wrong;
  for (const std::string& text : {log, wrong}) {
    EXPECT_EQ(text.find(kPassword), std::string::npos);
    EXPECT_EQ(text.find("falsch"), std::string::npos);
  }
  EXPECT_EQ(runs[2].status, 0);
  EXPECT_THAT(runs[2].lines, ElementsAre("Information: Übertragung erfolgreich beendet!"));
  EXPECT_TRUE(fs::is_empty(runs[2].directory->Path() / "korvalesen.log"));
}

// Two copies started at once in one folder: one reads its board and uploads, the other says
// that the folder is busy and ends with status 1 without touching a file.
TEST(SimRunTest, ASecondCopyInTheSameFolderTouchesNothing) {
  ServerWithImport server;
  std::vector<SimRun> runs(2);
  for (SimRun& run : runs) run.server = &server.Server();
  runs[1].sharesFolderOf = &runs[0];
  RunAll(runs);

  const std::size_t winner = runs[0].status == 0 ? 0 : 1;
  const SimRun& loser = runs[1 - winner];
  EXPECT_EQ(runs[winner].status, 0);
  EXPECT_THAT(runs[winner].lines, ElementsAre("Information: Übertragung erfolgreich beendet!"));
  EXPECT_EQ(loser.status, 1);
  EXPECT_THAT(loser.lines, ElementsAre("Fehler: Korvalesen läuft in diesem Ordner bereits. Bitte "
                                       "warten, bis es beendet ist."));
  EXPECT_THAT(LeftBehind(runs[0]), IsEmpty());
  EXPECT_EQ(FilesIn(server.Folder("A123")), ResultFilesOf(sim::SampleBoardImage()));
}

TEST(SimRunTest, TheCommandLineIsChecked) {
  std::vector<SimRun> runs = RunsWithArguments({
      {"--help"},
      {"--fault", "no-such-fault"},
      {"--fault", "silence-after"},
      {"--seed", "1", "--dump", "x"},
      {"--dump", "missing.bin"},
      {"--password", "\xe2\x82\xac\xe2\x98\x83"},  // the euro sign has a byte, a snowman none
  });
  RunAll(runs);

  EXPECT_EQ(runs[0].status, 0);
  EXPECT_THAT(runs[0].lines, ::testing::Contains(::testing::HasSubstr("--fault NAME[:N]")));
  for (std::size_t i = 1; i < runs.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(runs[i].status, 64);
    EXPECT_THAT(runs[i].lines, IsEmpty());
  }
}

}  // namespace
}  // namespace korvalesen::testing
