#include "tools/sim_options.h"

#include <charconv>
#include <limits>
#include <optional>
#include <utility>

#include "common/windows1252.h"

namespace korvalesen::tools {

namespace {

using sim::BoardFaults;
using sim::DeviceFault;

struct DeviceFaultName {
  std::string_view name;
  DeviceFault fault;
};
constexpr DeviceFaultName kDeviceFaults[] = {
    {"no-serial-ports", DeviceFault::kNoSerialPorts},
    {"no-adapter", DeviceFault::kNoAdapter},
    {"no-port-key", DeviceFault::kNoPortKey},
    {"no-port-name", DeviceFault::kNoPortName},
    {"port-busy", DeviceFault::kPortBusy},
};

struct BoardFaultName {
  std::string_view name;
  bool BoardFaults::*flag;
};
constexpr BoardFaultName kBoardFlags[] = {
    {"no-ack-on", &BoardFaults::noAckOn},      {"no-ack-off", &BoardFaults::ackOffStuck},
    {"no-echo", &BoardFaults::noEcho},         {"wrong-echo", &BoardFaults::wrongEcho},
    {"stuck-write", &BoardFaults::stuckWrite}, {"reset-on-glitch", &BoardFaults::resetOnGlitch},
    {"reset-noise", &BoardFaults::resetNoise},
};

// Far beyond the probe's window of 106 ms.
constexpr std::chrono::milliseconds kDefaultLateEcho{400};

// The faults that act after N bytes of the dump.
std::optional<std::size_t>* CountedFault(std::string_view name, BoardFaults& faults) {
  if (name == "silence-after") return &faults.silenceAfter;
  if (name == "line-error-after") return &faults.lineErrorAfter;
  if (name == "line-error-in-read") return &faults.lineErrorInReadAfter;
  if (name == "unplug-after") return &faults.unplugAfter;
  return nullptr;
}

template <class Number>
Number ParseNumber(std::string_view text, const std::string& what) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    throw OptionError(what + ": not a number: " + std::string(text));
  }
  return value;
}

void ApplyFault(std::string_view spec, SimOptions& options) {
  const std::size_t colon = spec.find(':');
  const std::string_view name = spec.substr(0, colon);
  const bool has_count = colon != std::string_view::npos;
  const std::string_view count = has_count ? spec.substr(colon + 1) : std::string_view();
  const auto no_count = [&] {
    if (has_count) throw OptionError("--fault " + std::string(name) + " takes no count");
  };
  for (const auto& [fault_name, fault] : kDeviceFaults) {
    if (name != fault_name) continue;
    no_count();
    if (options.deviceFault && *options.deviceFault != fault) {
      throw OptionError("--fault: only one of the adapter's faults at a time");
    }
    options.deviceFault = fault;
    return;
  }
  for (const auto& [fault_name, flag] : kBoardFlags) {
    if (name != fault_name) continue;
    no_count();
    options.boardFaults.*flag = true;
    return;
  }
  if (name == "latency") {
    if (!has_count) throw OptionError("--fault latency needs :N");
    options.latency =
        std::chrono::milliseconds(ParseNumber<std::uint16_t>(count, "--fault latency"));
    return;
  }
  if (name == "plug-in-late") {
    if (!has_count) throw OptionError("--fault plug-in-late needs :N");
    options.plugInLate =
        std::chrono::milliseconds(ParseNumber<std::uint32_t>(count, "--fault plug-in-late"));
    return;
  }
  if (name == "late-echo") {
    options.boardFaults.lateEcho =
        has_count
            ? std::chrono::milliseconds(ParseNumber<std::uint16_t>(count, "--fault late-echo"))
            : kDefaultLateEcho;
    return;
  }
  if (auto* field = CountedFault(name, options.boardFaults)) {
    if (!has_count) throw OptionError("--fault " + std::string(name) + " needs :N");
    *field = ParseNumber<std::size_t>(count, "--fault " + std::string(name));
    return;
  }
  throw OptionError("--fault: unknown fault: " + std::string(name));
}

void ApplyServer(std::string_view address, UploadSettings& upload) {
  const std::size_t colon = address.rfind(':');
  if (colon == std::string_view::npos || colon == 0) {
    throw OptionError("--ftp: expected HOST:PORT, got " + std::string(address));
  }
  const auto port = ParseNumber<std::uint32_t>(address.substr(colon + 1), "--ftp port");
  if (port == 0 || port > std::numeric_limits<std::uint16_t>::max()) {
    throw OptionError("--ftp: port out of range: " + std::string(address.substr(colon + 1)));
  }
  upload.host = std::string(address.substr(0, colon));
  upload.port = static_cast<std::uint16_t>(port);
}

// The account and the password travel as Windows-1252 bytes; a character outside the code
// page could not be sent as given.
std::string W1252Bytes(std::string_view utf8, std::string_view option) {
  std::optional<std::string> bytes = Utf8ToW1252Exactly(utf8);
  if (!bytes) throw OptionError(std::string(option) + ": a character outside Windows-1252");
  return *std::move(bytes);
}

}  // namespace

SimOptions ParseSimOptions(std::span<const std::string_view> arguments) {
  SimOptions options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view option = arguments[i];
    const auto value = [&]() -> std::string_view {
      if (i + 1 >= arguments.size()) throw OptionError(std::string(option) + " needs a value");
      return arguments[++i];
    };
    if (option == "--help" || option == "-h") {
      options.help = true;
    } else if (option == "--dump") {
      options.dumpFile = std::string(value());
    } else if (option == "--seed") {
      options.seed = ParseNumber<std::uint32_t>(value(), "--seed");
    } else if (option == "--fast") {
      options.fast = true;
    } else if (option == "--fault") {
      ApplyFault(value(), options);
    } else if (option == "--ftp") {
      ApplyServer(value(), options.upload);
    } else if (option == "--timeout") {
      options.upload.inactivityTimeout =
          std::chrono::milliseconds(ParseNumber<std::uint32_t>(value(), "--timeout"));
    } else if (option == "--user") {
      options.upload.user = W1252Bytes(value(), option);
    } else if (option == "--password") {
      options.upload.password = W1252Bytes(value(), option);
    } else if (option == "--auto-confirm") {
      options.autoConfirm = true;
    } else if (option == "--real-devices") {
      options.realDevices = true;
    } else if (option == "--await-adapter") {
      options.awaitAdapter = true;
    } else if (option == "--report-ui-gap") {
      options.reportUiGap = true;
    } else {
      throw OptionError("unknown option: " + std::string(option));
    }
  }
  if (options.dumpFile && options.seed) throw OptionError("--dump and --seed exclude each other");
  if (options.realDevices && options.deviceFault) {
    throw OptionError("--real-devices: the computer's faults are those of the machine");
  }
  if (options.awaitAdapter && !options.realDevices) {
    throw OptionError("--await-adapter needs --real-devices");
  }
  return options;
}

std::string SimUsage(std::string_view program) {
  std::string text = "Usage: " + std::string(program) + " [options]\n";
  text += R"(
Runs Korvalesen - the same window, readout, result files and upload - on a virtual computer
whose FTDI adapter (ttyUSB0) has a simulated board behind it. The result files are written
into the working directory, as by the program itself.

Board:
  --dump FILE         send the bytes of FILE after the read command, as they are (the dump's
                      fields, serial number, end marker, control character, language code,
                      device type and version text; well-formed or not)
  --seed N            a plausible board generated from N (0 to 4294967295)
                      (neither: a fixed built-in board)
  --fast              send the dump as fast as possible instead of at 9600 bit/s
  --fault NAME[:N]    a fault of the computer, the adapter or the board; repeatable.
                      The computer and adapter (one at a time):
                        no-serial-ports  no-adapter  no-port-key  no-port-name  port-busy
                      The adapter plugged in N ms after the start, once the first search
                      has failed, with the system's device notices (missing until then, or
                      with the fault above):
                        plug-in-late:N
                      The adapter's latency timer, N ms (16 unless given; 0 is none):
                        latency:N
                      The board:
                        no-ack-on  no-ack-off  no-echo  wrong-echo  stuck-write
                        late-echo[:N] (the echo N ms after the probe, 400 unless given)
                        reset-on-glitch (the DTR pulse of every open resets it)
                        reset-noise (a framing error and a break while held in reset)
                        silence-after:N  line-error-after:N  line-error-in-read:N
                        unplug-after:N
                      (N counts the bytes of the dump; line-error-in-read's error comes
                      between the program's count of waiting bytes and its read)
Upload:
  --ftp HOST:PORT     the FTP server (default 127.0.0.1:2121)
  --timeout MS        how long connecting, a reply or room to send may take (60000 unless
                      given), for each of the three connection attempts
  --user NAME         the account, given in UTF-8, sent as Windows-1252
                      (default: the program's fixed account)
  --password TEXT     the password, given in UTF-8, sent as Windows-1252
                      (default: the program's fixed password)
Messages:
  --auto-confirm      write every message box to standard output as one line
                      "CAPTION: TEXT" (UTF-8, line breaks as \n) and confirm it; when the
                      readout returns and the program would wait for the user, close the
                      window as the user would
  --real-devices      use this machine's serial devices, device list and device notices
                      instead of the virtual computer; no board is simulated
  --await-adapter     with --real-devices: after the first readout (its search failed)
                      the window waits for the adapter's arrival instead of closing
  --report-ui-gap     at the end, print the longest time the user-interface thread went
                      without processing window messages (to within 10 ms)
  --help              this text

Exit status: the program's own - 0 complete run, files uploaded; 1 the port search failed
or the window was closed before the board was read; 2 the board link failed; 3 a result
file could not be created; 4 the upload failed. 64: the command line cannot be followed.
)";
  return text;
}

}  // namespace korvalesen::tools
