#include "board/board_handshake.h"

#include <chrono>

#include "board/board_failure.h"
#include "common/format_text.h"
#include "common/support_log.h"
#include "common/windows1252.h"

namespace korvalesen {

using namespace std::chrono_literals;

namespace {

constexpr auto kDsrSettleTime = 50ms;
constexpr auto kResetPulse = 200ms;
constexpr auto kBoardStartUp = 2000ms;
constexpr auto kEchoDelay = 10ms;
constexpr auto kEchoPollInterval = 1ms;
constexpr int kEchoPolls = 100;
constexpr int kEchoPollsInTime = 96;
constexpr auto kWritePollInterval = 10ms;
constexpr int kWriteWaits = 96;
constexpr auto kCommandSettleTime = 50ms;

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - start)
                                    .count());
}

// One edge of the reset line: DSR must follow DTR 50 ms after the change.
void ResetLineEdge(BoardLink& link, bool on, std::string_view failure) {
  if (on) {
    link.port.SetDTR();
  } else {
    link.port.ClearDTR();
  }
  link.window.RepaintResetPanel();
  const auto edge = std::chrono::steady_clock::now();
  link.pause.Sleep(kDsrSettleTime);
  const bool dsr = link.port.GetModemStatus().Contains(msDSR);
  LogEvent(FormatText("DTR %s, DSR %s nach %lld ms", on ? "ein" : "aus", dsr ? "ein" : "aus",
                      MillisecondsSince(edge)));
  link.window.SetResetPanelColor(dsr ? link.resetSignal.ColorOn() : link.resetSignal.ColorOff());
  if (dsr != on) FailBoardLink(link, failure);
  link.window.RepaintResetPanel();
}

void SendByte(BoardLink& link, std::uint8_t value, int errorCode) {
  link.port.WriteByte(value);
  WaitWriteDone(link, errorCode);
}

}  // namespace

void RunHandshake(BoardLink& link) {
  ResetLineOn(link);
  link.pause.Sleep(kResetPulse);
  ResetLineOff(link);
  link.pause.Sleep(kBoardStartUp);
  if (!ProbeBoard(link)) EndBoardLink(link);
  link.window.EnableControls(false);
  SendByte(link, ReadCommandFirst, 7);
  SendByte(link, ReadCommandSecond, 8);
  link.pause.Sleep(kCommandSettleTime);
  // Whatever the board sent in these 50 ms is not part of the dump.
  link.port.PurgeInput();
}

void ResetLineOn(BoardLink& link) {
  ResetLineEdge(link, true,
                "Keine Rückmeldung vom \"Reset\"-Befehl \"ein\" erhalten!\n\n"
                "        Datenübertragung abgebrochen!"_w1252);
}

void ResetLineOff(BoardLink& link) {
  ResetLineEdge(link, false,
                "Keine Rückmeldung vom \"Reset\"-Befehl \"aus\" erhalten!\n\n"
                "        Datenübertragung abgebrochen!"_w1252);
}

bool ProbeBoard(BoardLink& link) {
  link.port.PurgeInput();
  SendByte(link, ProbeByte, 1);
  const auto sent = std::chrono::steady_clock::now();
  link.pause.Sleep(kEchoDelay);
  bool answered = false;
  for (int poll = 1; poll <= kEchoPolls; ++poll) {
    link.pause.Sleep(kEchoPollInterval);
    if (link.port.InputCount() > 0) {
      const std::uint8_t echo = link.port.ReadByte();
      answered = echo == ProbeByte && poll <= kEchoPollsInTime;
      LogEvent(
          FormatText("Echo 0x%02X nach %lld ms (Abfrage %d)", echo, MillisecondsSince(sent), poll));
      break;
    }
  }
  if (!answered) {
    LogEvent(FormatText("Kein gültiges Echo, %lld ms nach dem Senden"_w1252.data(),
                        MillisecondsSince(sent)));
    link.window.ShowErrorBox(
        "     Gerät antwortet nicht!\n\nMögliche Gründe, z.B.:\nTest-Jumper auf Platine "
        "vergessen.\nNetzkabel nicht entfernt.\nNoch keine Firmware geladen."_w1252);
  }
  return answered;
}

void WaitWriteDone(BoardLink& link, int errorCode) {
  for (int waits = 0; link.port.WritePending(); ++waits) {
    if (waits == kWriteWaits) {
      FailBoardLink(
          link,
          FormatText("%s%d%s",
                     "Daten senden konnte nicht ausgeführt werden!  "
                     "Fehlercode "_w1252.data(),
                     errorCode, "\n\n             Datenübertragung abgebrochen!"_w1252.data()));
    }
    link.pause.Sleep(kWritePollInterval);
  }
}

}  // namespace korvalesen
