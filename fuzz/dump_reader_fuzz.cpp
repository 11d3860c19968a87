// The whole dump reader over the virtual serial line: a far end that passes the handshake at
// once, then sends the input as the board's dump. The reader must either return with the image
// the input describes, or end the process after the one message that the input's first fault
// calls for, with the port closed. Waits take no time, so a dump that stops short costs only
// the counted silence.

#include <QCoreApplication>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "board/board_line.h"
#include "board/dump_parse.h"
#include "board/dump_reader.h"
#include "common/process_end.h"
#include "common/windows1252.h"
#include "fuzz/property.h"
#include "platform/qt/qt_user_interface_loop.h"
#include "sim/recording_tone_player.h"
#include "sim/virtual_computer.h"
#include "tests/support/process_end_catcher.h"
#include "tests/support/recording_board_window.h"
#include "tests/support/scripted_pause.h"

namespace korvalesen::fuzz {
namespace {

constexpr std::uint8_t kProbe = 0xBA;
constexpr std::size_t kVersionLimit = 16;

// The board at the reader's waits: DSR follows DTR, the probe is echoed, and the dump goes out
// at the first wait after the read command has been taken and the input purged.
class FarEnd {
 public:
  FarEnd(sim::VirtualSerialLine& line, std::string_view dump) : line_(line), dump_(dump) {}

  void OnWait() {
    line_.SetDsr(line_.Dtr());
    received_ += line_.TakeReceived();
    if (!echoed_ && received_.ends_with(static_cast<char>(kProbe))) {
      line_.Send(std::string(1, static_cast<char>(kProbe)));
      echoed_ = true;
    } else if (commanded_ && !sent_) {
      line_.Send(dump_);
      sent_ = true;
    } else if (received_.ends_with("\xA5\xAB")) {
      commanded_ = true;
    }
  }

 private:
  sim::VirtualSerialLine& line_;
  std::string_view dump_;
  std::string received_;
  bool echoed_ = false;
  bool commanded_ = false;
  bool sent_ = false;
};

std::string Text(std::string_view utf8_as_w1252) {
  return std::string(utf8_as_w1252);
}

// The message of the input's first fault, in the order the reader receives; nothing for a
// dump that is read whole.
std::optional<std::string> ExpectedFailure(std::string_view dump) {
  const std::string timeout = Text("Datenübertragungsfehler!\n\nZeitüberschreitung."_w1252);
  const std::string memory_end = Text("Datenübertragungsfehler!\n\nSpeicherende erreicht!"_w1252);
  const auto marker = dump.find(static_cast<char>(DumpEndMarker));
  if (marker == std::string_view::npos || marker >= DumpAcceptedBytes) {
    return dump.size() > DumpAcceptedBytes ? memory_end : timeout;
  }
  const std::string_view trailer = dump.substr(marker + 1);
  if (trailer.empty()) {
    return Text(
        "Datenübertragungsfehler!\n\nZeitüberschreitung.\n"
        "Firmware in LCD-Platine vermutlich nicht kompatibel!"_w1252);
  }
  if (trailer[0] != DumpControlCharacter) {
    return Text(
        "Datenübertragungsfehler!\n\nFalsches Kontrollzeichen empfangen.\n"
        "Firmware in LCD-Platine vermutlich nicht kompatibel."_w1252);
  }
  if (trailer.size() < 2) return timeout;
  if (static_cast<std::uint8_t>(trailer[1]) >= 2) {
    return Text("Datenübertragungsfehler!\n\nUngültiges Sprach-Kontrollzeichen empfangen."_w1252);
  }
  if (trailer.size() < 3) {
    return Text(
        "Datenübertragungsfehler!\n\nZeitüberschreitung.\n"
        "Gerätetyp-Kennzeichen nicht empfangen!"_w1252);
  }
  const std::string_view version = trailer.substr(3);
  const auto end = version.substr(0, kVersionLimit + 1).find('_');
  if (end == std::string_view::npos) {
    return version.size() > kVersionLimit + 1 ? memory_end : timeout;
  }
  ConfigImage image;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(dump.data());
  if (!ParseAsciiPart(std::span(bytes, marker + 1), image, [] {})) {
    return Text("Datenübertragungsfehler!\n\nFalsches Bestätigungsbyte!"_w1252);
  }
  return std::nullopt;
}

// The image a dump that is read whole describes.
ConfigImage DescribedImage(std::string_view dump) {
  ConfigImage image;
  const auto marker = dump.find(static_cast<char>(DumpEndMarker));
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(dump.data());
  ParseAsciiPart(std::span(bytes, marker + 1), image, [] {});
  image.languageCode = static_cast<std::uint8_t>(dump[marker + 2]);
  image.deviceType = static_cast<std::uint8_t>(dump[marker + 3]);
  const std::string_view version = dump.substr(marker + 4);
  image.versionText = std::string(version.substr(0, version.find('_')));
  return image;
}

bool SameImage(const ConfigImage& a, const ConfigImage& b) {
  return a.settings == b.settings && a.faultTimes == b.faultTimes &&
         a.faultNumbers == b.faultNumbers && a.serialNumber == b.serialNumber &&
         a.serialExtra == b.serialExtra && a.languageCode == b.languageCode &&
         a.deviceType == b.deviceType && a.versionText == b.versionText;
}

}  // namespace
}  // namespace korvalesen::fuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // The serial port hands its events to the thread of the application object.
  static QCoreApplication application(*argc, *argv);
  korvalesen::platform::InstallQtUserInterfaceLoop();
  // A run that ends the program ends it in process, as in the tests.
  static korvalesen::testing::ProcessEndCatcher process_end;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvalesen;
  using namespace korvalesen::fuzz;
  const std::string_view dump = AsText(data, size);

  sim::VirtualComputer computer;
  TComPort port(computer.Services());
  TComSignal reset_signal;
  testing::RecordingBoardWindow window;
  sim::RecordingTonePlayer tone;
  testing::ScriptedPause pause;
  FarEnd far_end(computer.Line(), dump);
  pause.script = [&far_end](std::chrono::milliseconds) { far_end.OnWait(); };
  std::string port_name = "COM1";
  BoardLink link{window, port, reset_signal, computer.Names(), tone, pause, port_name};
  SetUpBoardLine(port);
  port.SetDeviceName("/dev/ttyUSB0");
  port.SetActive(true);

  auto image = std::make_unique<ConfigImage>();
  const std::optional<ExitStatus> ended = testing::EndOf([&] { ReadConfiguration(link, *image); });

  const std::optional<std::string> failure = ExpectedFailure(dump);
  if (failure) {
    Require(ended == ExitStatus::kBoardLink, "a faulty dump ends the process");
    Require(window.boxes.size() == 1 && window.boxes[0].caption == "Fehler" &&
                window.boxes[0].text == *failure,
            "a faulty dump shows the one message of its first fault");
    Require(!port.Active(), "a faulty dump closes the port");
  } else {
    Require(!ended && window.boxes.empty(), "a whole dump is read without a message");
    Require(port.Active(), "the port stays open after a whole dump");
    Require(!window.status_texts.empty() && window.status_texts.back() == "Konfiguration gelesen",
            "a whole dump ends with \"Konfiguration gelesen\"");
    Require(!window.progress.empty() && window.progress.back() == 100,
            "a whole dump leaves the bar at 100");
    Require(SameImage(*image, DescribedImage(dump)), "the image is the one the dump describes");
  }
  return 0;
}
