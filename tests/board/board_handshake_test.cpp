#include "board/board_handshake.h"

#include <gmock/gmock.h>

#include "common/windows1252.h"
#include "tests/board/board_link_fixture.h"

namespace korvalesen::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

// Through a view: clang 14 crashes on a static std::string made from a _w1252 literal.
constexpr std::string_view kNoAnswerText =
    "     Gerät antwortet nicht!\n\nMögliche Gründe, z.B.:\nTest-Jumper auf Platine "
    "vergessen.\nNetzkabel nicht entfernt.\nNoch keine Firmware geladen."_w1252;
const std::string kNoAnswer(kNoAnswerText);

std::string WriteFailure(int code) {
  return std::string("Daten senden konnte nicht ausgeführt werden!  Fehlercode "_w1252) +
         std::to_string(code) + std::string("\n\n             Datenübertragung abgebrochen!"_w1252);
}

class HandshakeTest : public BoardLinkTest {
 protected:
  HandshakeTest() { OpenPort(); }

  std::optional<ExitStatus> Handshake() {
    return EndOf([this] { RunHandshake(link_); });
  }
  void ExpectEndedWith(const std::optional<ExitStatus>& status, std::string_view message) {
    EXPECT_EQ(status, ExitStatus::kBoardLink);
    ASSERT_EQ(window_.boxes.size(), 1u);
    EXPECT_EQ(window_.boxes[0], (RecordingBoardWindow::Box{"Fehler", std::string(message)}));
    EXPECT_FALSE(port_.Active());
    EXPECT_FALSE(computer_.Line().IsOpen());
  }
};

TEST_F(HandshakeTest, ResetPulseProbeAndReadCommand) {
  firmware_.afterCommand = "noise";
  EXPECT_EQ(Handshake(), std::nullopt);
  EXPECT_TRUE(window_.boxes.empty());
  EXPECT_EQ(firmware_.received, "\xBA\xA5\xAB");
  const std::string on = "lamp:" + std::to_string(resetSignal_.ColorOn());
  const std::string off = "lamp:" + std::to_string(resetSignal_.ColorOff());
  EXPECT_THAT(window_.calls, ElementsAre("lamp-repaint", on, "lamp-repaint", "lamp-repaint", off,
                                         "lamp-repaint", "disable"));
  // 50 after DTR on, 200 of reset, 50 after DTR off, 2000 of start-up, 10 before the first
  // echo poll, one poll, 50 after the command.
  EXPECT_THAT(pause_.sleeps, ElementsAre(50ms, 200ms, 50ms, 2000ms, 10ms, 1ms, 50ms));
  // The board's lines are where the dump reader expects them, the noise is gone.
  EXPECT_FALSE(computer_.Line().Dtr());
  EXPECT_TRUE(firmware_.noiseSent);
  EXPECT_EQ(port_.InputCount(), 0);
  EXPECT_TRUE(port_.Active());
}

TEST_F(HandshakeTest, DsrAlreadyOnCountsOnlyAfterTheChange) {
  computer_.Line().SetDsr(true);
  EXPECT_EQ(Handshake(), std::nullopt);
  EXPECT_TRUE(window_.boxes.empty());
}

TEST_F(HandshakeTest, NoAcknowledgementOfResetOn) {
  firmware_.ackOn = false;
  ExpectEndedWith(Handshake(),
                  "Keine Rückmeldung vom \"Reset\"-Befehl \"ein\" erhalten!\n\n"
                  "        Datenübertragung abgebrochen!"_w1252);
  EXPECT_EQ(window_.lamp, resetSignal_.ColorOff());
  EXPECT_TRUE(firmware_.received.empty());
}

TEST_F(HandshakeTest, DsrStayingOnAfterResetOff) {
  firmware_.ackOff = false;
  ExpectEndedWith(Handshake(),
                  "Keine Rückmeldung vom \"Reset\"-Befehl \"aus\" erhalten!\n\n"
                  "        Datenübertragung abgebrochen!"_w1252);
  EXPECT_EQ(window_.lamp, resetSignal_.ColorOn());
}

TEST_F(HandshakeTest, EchoCountsUpToThe96thPoll) {
  firmware_.echoAtPoll = 96;
  EXPECT_EQ(Handshake(), std::nullopt);
  EXPECT_EQ(pause_.Count(1ms), 96);
}

TEST_F(HandshakeTest, EchoAtThe97thPollIsTooLate) {
  firmware_.echoAtPoll = 97;
  ExpectEndedWith(Handshake(), kNoAnswer);
  EXPECT_EQ(pause_.Count(1ms), 97);
  EXPECT_EQ(firmware_.received, "\xBA");
}

TEST_F(HandshakeTest, NoEchoWaitsOutTheHundredPolls) {
  firmware_.echoAtPoll = 0;
  ExpectEndedWith(Handshake(), kNoAnswer);
  EXPECT_EQ(pause_.Count(1ms), 100);
}

TEST_F(HandshakeTest, AWrongEchoFailsAtOnce) {
  firmware_.echoAtPoll = 3;
  firmware_.echo = 0xBB;
  ExpectEndedWith(Handshake(), kNoAnswer);
  EXPECT_EQ(pause_.Count(1ms), 3);
}

TEST_F(HandshakeTest, BytesWaitingBeforeTheProbeAreNoEcho) {
  firmware_.echoAtPoll = 0;
  pause_.script = [this](std::chrono::milliseconds d) {
    if (d == 2000ms) computer_.Line().Send("\xBA\xBA");
    firmware_.OnWait(d);
  };
  ExpectEndedWith(Handshake(), kNoAnswer);
}

// Each wait shorter than 16 ms lasts 16 ms, as on a system timer of 15.6 ms: the probe is sent
// at 0, the polls look at 16, 32, ..., 112 ms.
std::chrono::milliseconds CoarseTimer(std::chrono::milliseconds asked) {
  return std::max(asked, 16ms);
}

TEST_F(HandshakeTest, TheEchoWindowIsKeptByTheClockWhenWaitsLastLonger) {
  pause_.lasts = CoarseTimer;
  firmware_.echoAtPoll = 6;  // found at 112 ms, after the look at 96 ms
  EXPECT_EQ(Handshake(), std::nullopt);
  EXPECT_TRUE(window_.boxes.empty());
}

TEST_F(HandshakeTest, AnEchoAfterTheWindowFailsHoweverFewPollsTookPlace) {
  pause_.lasts = CoarseTimer;
  firmware_.echoAtPoll = 7;
  ExpectEndedWith(Handshake(), kNoAnswer);
  // The polls end after 110 ms by the clock, not after a hundred of them.
  EXPECT_EQ(pause_.Count(1ms), 6);
}

// The wait before the polls lasts 200 ms (the program was not scheduled): the echo that came
// in it is still looked for, and counts.
TEST_F(HandshakeTest, AWaitThatLastedLongNeverSkipsTheLookAfterIt) {
  firmware_.echoAtPoll = 0;
  pause_.lasts = [](std::chrono::milliseconds asked) { return asked == 10ms ? 200ms : asked; };
  pause_.script = [this](std::chrono::milliseconds d) {
    firmware_.OnWait(d);
    if (d == 10ms && firmware_.received == "\xBA") computer_.Line().Send("\xBA");
  };
  EXPECT_EQ(Handshake(), std::nullopt);
  EXPECT_TRUE(window_.boxes.empty());
}

// The far end takes no byte from `stuck_from` on (the probe at the start-up wait, the read
// command once the echo went out) until the given 10 ms wait of that write.
void StickOutput(sim::VirtualSerialLine& line, ScriptedPause& pause, ScriptedFirmware& firmware,
                 std::chrono::milliseconds stuck_from, int released_at_wait) {
  pause.script = [&line, &firmware, stuck_from, released_at_wait, stuck = false,
                  waits = 0](std::chrono::milliseconds d) mutable {
    firmware.OnWait(d);
    if (d == stuck_from && !stuck) {
      line.SetTakesOutput(false);
      stuck = true;
    } else if (stuck && d == 10ms && ++waits == released_at_wait) {
      line.SetTakesOutput(true);
    }
  };
}

TEST_F(HandshakeTest, AWriteFoundDoneAtThe97thQuestionStillCounts) {
  StickOutput(computer_.Line(), pause_, firmware_, 2000ms, 96);
  EXPECT_EQ(Handshake(), std::nullopt);
  EXPECT_EQ(firmware_.received, "\xBA\xA5\xAB");
}

TEST_F(HandshakeTest, AWriteStillPendingAfter96WaitsFailsWithItsCode) {
  StickOutput(computer_.Line(), pause_, firmware_, 2000ms, 97);
  ExpectEndedWith(Handshake(), WriteFailure(1));
  EXPECT_EQ(pause_.Count(10ms), 96);
  EXPECT_EQ(pause_.Count(1ms), 0);
}

TEST_F(HandshakeTest, AWriteHas960MillisecondsByTheClock) {
  pause_.lasts = [](std::chrono::milliseconds asked) { return asked == 10ms ? 16ms : asked; };
  StickOutput(computer_.Line(), pause_, firmware_, 2000ms, 0);
  ExpectEndedWith(Handshake(), WriteFailure(1));
  EXPECT_EQ(pause_.Count(10ms), 60);
}

TEST_F(HandshakeTest, TheReadCommandsFirstByteFailsWithCode7) {
  StickOutput(computer_.Line(), pause_, firmware_, 1ms, 0);
  ExpectEndedWith(Handshake(), WriteFailure(7));
  EXPECT_EQ(firmware_.received, "\xBA");
}

}  // namespace
}  // namespace korvalesen::testing
