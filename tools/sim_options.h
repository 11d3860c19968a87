#pragma once

// The command line of korvalesen-sim: which board and adapter the virtual computer has, which
// faults they make, where the upload goes and whether message boxes confirm themselves.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "sim/board_simulator.h"
#include "sim/virtual_computer.h"
#include "upload/result_upload.h"

namespace korvalesen::tools {

struct SimOptions {
  // The bytes the board sends after the read command, read from this file as they are.
  std::optional<std::string> dumpFile;
  // A plausible board generated from the seed; without it and without dumpFile the built-in
  // board.
  std::optional<std::uint32_t> seed;
  bool fast = false;
  std::optional<sim::DeviceFault> deviceFault;
  // The adapter is plugged in this long after the start, once the first search has failed
  // (without it, or with the device fault given, until then).
  std::optional<std::chrono::milliseconds> plugInLate;
  sim::BoardFaults boardFaults;
  // The adapter's latency timer; the FTDI chip's own default unless a rule sets another.
  std::chrono::milliseconds latency{16};
  // The product's fixed account and password, on a loopback server.
  // --timeout sets upload.inactivityTimeout.
  UploadSettings upload = [] {
    UploadSettings settings;
    settings.host = "127.0.0.1";
    settings.port = 2121;
    return settings;
  }();
  bool autoConfirm = false;
  // The machine's own serial devices, device list and notices instead of the virtual
  // computer (for the rig that runs the program against a real driver); no board is simulated.
  bool realDevices = false;
  // With realDevices: the window waits after the first readout for the machine's adapter.
  bool awaitAdapter = false;
  bool reportUiGap = false;
  bool help = false;
};

// A command line that cannot be followed; the text says why.
class OptionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The exit status after a command line that cannot be followed, beside the product's.
inline constexpr int kUsageStatus = 64;

// Parses the arguments after the program name; throws OptionError.
SimOptions ParseSimOptions(std::span<const std::string_view> arguments);

// The text of --help.
std::string SimUsage(std::string_view program);

}  // namespace korvalesen::tools
