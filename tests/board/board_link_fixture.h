#pragma once

// The board link on the virtual computer, with a window recorder, waits that take no time and
// a scripted firmware at the far end of the line that acts at those waits. The process end is
// caught as an exception that carries the status.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "board/board_line.h"
#include "board/board_link.h"
#include "sim/recording_tone_player.h"
#include "sim/virtual_computer.h"
#include "tests/support/process_end_catcher.h"
#include "tests/support/recording_board_window.h"
#include "tests/support/scripted_pause.h"

namespace korvalesen::testing {

// The board as the waits of the program see it: DSR follows DTR, the probe is echoed at a
// chosen poll, and the dump arrives in chunks, each after a number of 10 ms waits.
class ScriptedFirmware {
 public:
  explicit ScriptedFirmware(sim::VirtualSerialLine& line) : line_(line) {}

  bool ackOn = true;
  bool ackOff = true;
  int echoAtPoll = 1;  // 0: no echo
  std::uint8_t echo = 0xBA;
  std::string afterCommand;  // sent in the 50 ms after the read command
  std::vector<std::string> dumpChunks;
  int chunkGap = 1;  // 10 ms waits before each chunk

  std::string received;
  bool noiseSent = false;
  int wasteAfterLastChunk = 0;  // 10 ms waits after the last chunk

  void OnWait(std::chrono::milliseconds duration) {
    using namespace std::chrono_literals;
    if (line_.Dtr() && ackOn) line_.SetDsr(true);
    if (!line_.Dtr() && ackOff) line_.SetDsr(false);
    received += line_.TakeReceived();
    if (!probed_ && received.find('\xBA') != std::string::npos) probed_ = true;
    if (probed_ && !echoed_ && duration == 1ms && echoAtPoll > 0 && ++polls_ == echoAtPoll) {
      line_.Send(std::string(1, static_cast<char>(echo)));
      echoed_ = true;
    }
    if (received.ends_with("\xA5\xAB")) commanded_ = true;
    if (commanded_ && !settled_ && duration == 50ms) {
      settled_ = true;
      line_.Send(afterCommand);
      noiseSent = !afterCommand.empty();
      return;
    }
    if (!settled_ || duration != 10ms) return;
    if (next_chunk_ == dumpChunks.size()) {
      ++wasteAfterLastChunk;
      return;
    }
    if (++waits_ < chunkGap) return;
    waits_ = 0;
    line_.Send(dumpChunks[next_chunk_++]);
  }

 private:
  sim::VirtualSerialLine& line_;
  bool probed_ = false;
  bool echoed_ = false;
  int polls_ = 0;
  bool commanded_ = false;
  bool settled_ = false;
  std::size_t next_chunk_ = 0;
  int waits_ = 0;
};

class BoardLinkTest : public ::testing::Test {
 protected:
  BoardLinkTest() {
    pause_.script = [this](std::chrono::milliseconds d) { firmware_.OnWait(d); };
  }

  // The port as the window sets it up.
  void OpenPort() {
    SetUpBoardLine(port_);
    port_.SetDeviceName(platform::DevicePath("ttyUSB0"));
    port_.SetActive(true);
  }

  sim::VirtualComputer computer_;
  TComPort port_{computer_.Services()};
  TComSignal resetSignal_;
  RecordingBoardWindow window_;
  sim::RecordingTonePlayer tone_;
  ScriptedPause pause_;
  ScriptedFirmware firmware_{computer_.Line()};
  std::string portName_ = "COM1";
  BoardLink link_{window_, port_, resetSignal_, computer_.Names(), tone_, pause_, portName_};
  ProcessEndCatcher process_end_;
};

}  // namespace korvalesen::testing
