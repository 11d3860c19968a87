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
// After the probe has left: an echo found by the end of this counts, the polls end at the end
// of the second.
constexpr auto kEchoInTime = kEchoDelay + 96ms;
constexpr auto kEchoPolling = kEchoDelay + 100ms;
constexpr auto kWritePollInterval = 10ms;
constexpr auto kWriteTime = 960ms;
constexpr auto kCommandSettleTime = 50ms;

long long MillisecondsSince(const BoardLink& link, Pause::Clock::time_point start) {
  return static_cast<long long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(link.pause.Now() - start).count());
}

// One edge of the reset line: DSR must follow DTR 50 ms after the change.
void ResetLineEdge(BoardLink& link, bool on, std::string_view failure) {
  if (on) {
    link.port.SetDTR();
  } else {
    link.port.ClearDTR();
  }
  link.window.RepaintResetPanel();
  const Pause::Clock::time_point edge = link.pause.Now();
  Wait(link, kDsrSettleTime);
  const bool dsr = link.port.GetModemStatus().Contains(msDSR);
  LogEvent(FormatText("DTR %s, DSR %s nach %lld ms", on ? "ein" : "aus", dsr ? "ein" : "aus",
                      MillisecondsSince(link, edge)));
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
  Wait(link, kResetPulse);
  ResetLineOff(link);
  Wait(link, kBoardStartUp);
  if (!ProbeBoard(link)) EndBoardLink(link);
  link.window.EnableControls(false);
  SendByte(link, ReadCommandFirst, 7);
  SendByte(link, ReadCommandSecond, 8);
  Wait(link, kCommandSettleTime);
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
  const Pause::Clock::time_point sent = link.pause.Now();
  Wait(link, kEchoDelay);
  bool answered = false;
  // A byte found at a look arrived after the look before it (or the probe): it is in time when
  // that look was. Only a look that finds nothing ends the polls, so a wait that lasted long
  // (a busy machine) never skips the look after it.
  for (Pause::Clock::time_point empty = sent;;) {
    const Pause::Clock::time_point look = link.pause.Now();
    if (link.port.InputCount() > 0) {
      const std::uint8_t echo = link.port.ReadByte();
      answered = echo == ProbeByte && empty - sent < kEchoInTime;
      LogEvent(FormatText("Echo 0x%02X nach %lld ms", echo, MillisecondsSince(link, sent)));
      break;
    }
    empty = look;
    if (look - sent >= kEchoPolling) break;
    Wait(link, kEchoPollInterval);
  }
  if (!answered) {
    LogEvent(FormatText("Kein gültiges Echo, %lld ms nach dem Senden"_w1252.data(),
                        MillisecondsSince(link, sent)));
    link.window.ShowErrorBox(
        "     Gerät antwortet nicht!\n\nMögliche Gründe, z.B.:\nTest-Jumper auf Platine "
        "vergessen.\nNetzkabel nicht entfernt.\nNoch keine Firmware geladen."_w1252);
  }
  return answered;
}

void Wait(BoardLink& link, std::chrono::milliseconds duration) {
  link.pause.Sleep(duration, [&link] { link.window.ProcessMessages(); });
}

void WaitWriteDone(BoardLink& link, int errorCode) {
  const Pause::Clock::time_point queued = link.pause.Now();
  while (link.port.WritePending()) {
    if (link.pause.Now() - queued >= kWriteTime) {
      FailBoardLink(
          link,
          FormatText("%s%d%s",
                     "Daten senden konnte nicht ausgeführt werden!  "
                     "Fehlercode "_w1252.data(),
                     errorCode, "\n\n             Datenübertragung abgebrochen!"_w1252.data()));
    }
    Wait(link, kWritePollInterval);
  }
}

}  // namespace korvalesen
