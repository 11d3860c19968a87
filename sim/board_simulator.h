#pragma once

// A model of the board's firmware at the far end of a virtual serial line. Its reset input is
// debounced: a DTR pulse shorter than BoardTiming::resetDebounce (as the one of every open of
// the port) is ignored. DSR follows an accepted change of DTR after a short delay; after the
// reset pulse the firmware starts up, then echoes the probe byte 0xBA, and on the read command
// 0xA5 0xAB it sends its dump, at 9600 bit/s or as fast as possible. It can be told to make
// the faults real boards and adapters make.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "board/config_image.h"
#include "sim/virtual_serial_line.h"

namespace korvalesen::sim {

struct BoardFaults {
  bool noAckOn = false;      // DSR does not follow DTR on
  bool ackOffStuck = false;  // DSR stays on after DTR off
  bool noEcho = false;
  bool wrongEcho = false;  // echoes 0xBB
  // Echoes this long after the probe has arrived.
  std::optional<std::chrono::milliseconds> lateEcho;
  bool stuckWrite = false;     // takes no byte from the line: the port's writes stay pending
  bool resetOnGlitch = false;  // takes a DTR pulse of any length as a reset
  // While held in reset, its floating TX line makes a framing error, then a break (a NUL).
  bool resetNoise = false;
  // N counts the bytes of the dump as they arrive at the port.
  std::optional<std::size_t> silenceAfter;    // sends only the first N bytes
  std::optional<std::size_t> lineErrorAfter;  // a framing error after N bytes, then goes on
  // The same, but it arrives between the reader's count of the waiting bytes and its read.
  std::optional<std::size_t> lineErrorInReadAfter;
  std::optional<std::size_t> unplugAfter;  // the adapter goes after N bytes
};

struct BoardTiming {
  std::chrono::milliseconds resetDebounce{10};  // shorter DTR pulses are no reset
  std::chrono::milliseconds ackDelay{5};        // DSR follows an accepted DTR change after this
  std::chrono::milliseconds startUp{500};       // from the end of the reset until it answers
  // From the read command until the dump starts. A board may start sooner; the model leaves
  // the program's 50 ms pause before its purge room to overrun on a busy machine (sanitizer
  // builds, whole runs side by side, emulation), where the purge would take the dump's head.
  std::chrono::milliseconds dumpDelay{400};
};

class BoardSimulator {
 public:
  explicit BoardSimulator(VirtualSerialLine& line);
  ~BoardSimulator();
  BoardSimulator(const BoardSimulator&) = delete;
  BoardSimulator& operator=(const BoardSimulator&) = delete;

  // What to send after the read command: raw bytes as they are, or the dump of an image. The
  // default is the dump of SampleBoardImage().
  void SetDump(std::string bytes);
  void SetImage(const ConfigImage& image);
  // At 9600 bit/s (the default) or as fast as possible.
  void SetPaced(bool paced);
  void SetFaults(const BoardFaults& faults);
  void SetTiming(const BoardTiming& timing);
  // Sent at once after the read command, before the dump delay.
  void SetNoiseAfterCommand(std::string bytes);

  // Starts the firmware; the settings above are taken before.
  void Start();

  // Every byte the board took from the program, in order.
  std::string Received() const;
  // Completed reset pulses: DTR on, then off.
  int Resets() const;
  // Waits until the whole dump (or as much as the faults let through) has arrived at the port.
  bool WaitDumpSent(std::chrono::milliseconds timeout) const;

 private:
  using Clock = std::chrono::steady_clock;
  void Run(bool dtr_at_start);
  // The floating TX line of a board in reset.
  void SendResetNoise();
  // Sends what is due of the dump; the time it wants to be woken again.
  std::optional<Clock::time_point> FeedDump(Clock::time_point now);
  // The next byte count at which a fault acts, beyond what was sent.
  std::size_t NextStop() const;
  void MarkDumpDone();

  VirtualSerialLine& line_;
  std::string dump_;
  bool paced_ = true;
  BoardFaults faults_;
  BoardTiming timing_;
  std::string noise_;

  // Thread state.
  bool dumping_ = false;
  std::size_t sent_ = 0;
  bool line_error_done_ = false;
  bool line_error_in_read_done_ = false;

  mutable std::mutex mutex_;
  mutable std::condition_variable dump_done_changed_;
  std::string received_;
  int resets_ = 0;
  bool dump_done_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace korvalesen::sim
