#include "board/dump_reader.h"

#include <chrono>
#include <vector>

#include "board/board_failure.h"
#include "board/board_handshake.h"
#include "board/dump_parse.h"
#include "common/format_text.h"
#include "common/support_log.h"
#include "common/windows1252.h"

namespace korvalesen {

using namespace std::chrono_literals;

namespace {

constexpr auto kPollInterval = 10ms;
constexpr auto kSilenceLimit = 5000ms;
constexpr int kProgressDivisor = 30;
constexpr std::size_t kVersionByteLimit = 17;
constexpr std::uint8_t kFieldEnd = '_';
constexpr std::uint8_t LanguageCodeLimit = 2;

constexpr std::string_view kMemoryEnd = "Datenübertragungsfehler!\n\nSpeicherende erreicht!"_w1252;
constexpr std::string_view kTimeout = "Datenübertragungsfehler!\n\nZeitüberschreitung."_w1252;

// The time without a byte, from the start or the last byte.
class Silence {
 public:
  explicit Silence(BoardLink& link) : link_(link), since_(link.pause.Now()) {}
  void Reset() { since_ = link_.pause.Now(); }
  // One wait of 10 ms; after 5 s of silence the read fails with the message, unless a byte
  // came in that wait (a wait that lasted long on a busy machine).
  void Wait(std::string_view message) {
    korvalesen::Wait(link_, kPollInterval);
    if (link_.pause.Now() - since_ >= kSilenceLimit && link_.port.InputCount() == 0) {
      FailBoardLink(link_, message);
    }
  }

 private:
  BoardLink& link_;
  Pause::Clock::time_point since_;
};

bool ByteWaiting(BoardLink& link) {
  return link.port.InputCount() > 0;
}

// Up to and including the first end marker.
std::vector<std::uint8_t> ReceiveAsciiPart(BoardLink& link) {
  std::vector<std::uint8_t> part;
  part.reserve(DumpBufferSize);
  Silence silence(link);
  int fields = 0;
  std::uint8_t last = 0;
  do {
    if (ByteWaiting(link)) {
      last = link.port.ReadByte();
      if (last == kFieldEnd) ++fields;
      part.push_back(last);
      silence.Reset();
      if (part.size() > DumpAcceptedBytes) FailBoardLink(link, kMemoryEnd);
    } else {
      silence.Wait(kTimeout);
    }
    if (fields > 0) {
      link.window.ProcessMessages();
      link.window.SetProgress(fields / kProgressDivisor);
    }
  } while (last != DumpEndMarker);
  return part;
}

// The first byte received decides; it must pass the check.
template <class Check>
std::uint8_t ReceiveCheckedByte(BoardLink& link, Check accepted, std::string_view wrong,
                                std::string_view timeout) {
  Silence silence(link);
  while (!ByteWaiting(link)) silence.Wait(timeout);
  const std::uint8_t byte = link.port.ReadByte();
  if (!accepted(byte)) FailBoardLink(link, wrong);
  return byte;
}

std::uint8_t ReceiveDeviceType(BoardLink& link) {
  Silence silence(link);
  while (!ByteWaiting(link)) {
    link.window.ProcessMessages();
    silence.Wait(
        "Datenübertragungsfehler!\n\nZeitüberschreitung.\n"
        "Gerätetyp-Kennzeichen nicht empfangen!"_w1252);
  }
  return link.port.ReadByte();
}

std::string ReceiveVersionText(BoardLink& link) {
  std::string text;
  Silence silence(link);
  for (;;) {
    if (!ByteWaiting(link)) {
      silence.Wait(kTimeout);
      continue;
    }
    const std::uint8_t byte = link.port.ReadByte();
    silence.Reset();
    if (text.size() == kVersionByteLimit) FailBoardLink(link, kMemoryEnd);
    if (byte == kFieldEnd) return text;
    text.push_back(static_cast<char>(byte));
  }
}

}  // namespace

void ReadConfiguration(BoardLink& link, ConfigImage& image) {
  RunHandshake(link);
  link.window.SetProgress(0);
  link.window.SetStatusText("Konfiguration aus Gerät lesen"_w1252);

  const auto start = std::chrono::steady_clock::now();
  const std::vector<std::uint8_t> ascii_part = ReceiveAsciiPart(link);
  ReceiveCheckedByte(
      link, [](std::uint8_t byte) { return byte == DumpControlCharacter; },
      "Datenübertragungsfehler!\n\nFalsches Kontrollzeichen empfangen.\n"
      "Firmware in LCD-Platine vermutlich nicht kompatibel."_w1252,
      "Datenübertragungsfehler!\n\nZeitüberschreitung.\n"
      "Firmware in LCD-Platine vermutlich nicht kompatibel!"_w1252);
  image.languageCode = ReceiveCheckedByte(
      link, [](std::uint8_t byte) { return byte < LanguageCodeLimit; },
      "Datenübertragungsfehler!\n\nUngültiges Sprach-Kontrollzeichen empfangen."_w1252, kTimeout);
  image.deviceType = ReceiveDeviceType(link);
  image.versionText = ReceiveVersionText(link);

  if (!ParseAsciiPart(ascii_part, image, [&link] { link.window.ProcessMessages(); })) {
    FailBoardLink(link, "Datenübertragungsfehler!\n\nFalsches Bestätigungsbyte!"_w1252);
  }
  LogEvent(FormatText("Konfiguration gelesen: %zu Bytes in %lld ms, Seriennummer %s, Version %s",
                      ascii_part.size(),
                      static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 std::chrono::steady_clock::now() - start)
                                                 .count()),
                      image.serialNumber.c_str(), image.versionText.c_str()));
  link.window.SetProgress(100);
  link.window.SetStatusText("Konfiguration gelesen"_w1252);
}

}  // namespace korvalesen
