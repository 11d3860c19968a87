// korvalesen-ftdi-usbip: an FT232R over USB/IP with the board simulator behind it, for the
// rig that runs the program against the kernel's own FTDI driver in a virtual machine. It
// speaks USB/IP on standard input and output (the machine's network starts it once per
// connection), takes the board's options of korvalesen-sim, and writes what the chip saw to a
// report when the connection ends, by the importing side or by an unplug fault.
//   --log FILE  --report FILE  --serial TEXT  --control-delay-us N (each control transfer's
//   reply is held this long)  --dump-delay-ms N (the board's wait between the read command and
//   its dump)  and korvalesen-sim's --dump, --seed, --fast, --fault

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rig/ft232r.h"
#include "rig/usbip_device.h"
#include "sim/virtual_computer.h"
#include "tools/sim_board.h"
#include "tools/sim_options.h"

namespace {

using namespace korvalesen;
using namespace korvalesen::rig;

struct RigOptions {
  std::string log;
  std::string report;
  std::string serial = "A50285BI";
  std::chrono::microseconds control_delay{0};
  std::optional<std::chrono::milliseconds> dump_delay;
  std::vector<std::string_view> board;  // korvalesen-sim's options for the board
};

RigOptions ParseOptions(int argc, char* argv[]) {
  RigOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw tools::OptionError(std::string(option) + " needs a value");
      return argv[++i];
    };
    if (option == "--log") {
      options.log = value();
    } else if (option == "--report") {
      options.report = value();
    } else if (option == "--serial") {
      options.serial = value();
    } else if (option == "--control-delay-us") {
      options.control_delay = std::chrono::microseconds(std::stoul(value()));
    } else if (option == "--dump-delay-ms") {
      options.dump_delay = std::chrono::milliseconds(std::stoul(value()));
    } else {
      options.board.push_back(option);
    }
  }
  return options;
}

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw platform::SysError::FromErrno(errno);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void WriteReport(const RigOptions& options, const Ft232r& chip, sim::BoardSimulator& board,
                 const UsbipDevice& device, std::string_view end) {
  if (options.report.empty()) return;
  std::ofstream report(options.report, std::ios::trunc);
  report << "end " << end << "\n";
  report << "baud " << chip.BaudRate() << "\nlatency " << chip.Latency().count() << "\n";
  report << "bytes-to-host " << chip.BytesToHost() << "\n";
  report << "last-data-us " << chip.LastDataAt().count() << "\n";
  report << "board-resets " << board.Resets() << "\n";
  report << "unlinked " << device.Unlinked() << "\n";
  for (const auto& [name, count] : chip.RequestCounts()) {
    report << "requests " << name << "=" << count << "\n";
  }
  for (const ChipEvent& event : chip.Events()) {
    report << "event " << event.at.count() << " " << event.what << "\n";
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  RigOptions options;
  tools::SimOptions board_options;
  try {
    options = ParseOptions(argc, argv);
    board_options = tools::ParseSimOptions(options.board);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "korvalesen-ftdi-usbip: %s\n", error.what());
    return tools::kUsageStatus;
  }
  // Standard error may be the connection itself: the machine's network hands the program
  // the connection on all three standard descriptors.
  const int log = open(options.log.empty() ? "/dev/null" : options.log.c_str(),
                       O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (log >= 0) dup2(log, STDERR_FILENO);

  static sim::VirtualComputer computer;
  tools::SetUpComputer(computer, board_options);
  if (options.dump_delay) {
    sim::BoardTiming timing;
    timing.dumpDelay = *options.dump_delay;
    computer.Board().SetTiming(timing);
  }
  sim::VirtualSerialLine& line = computer.Line();
  line.SetLatency(std::chrono::milliseconds(0));  // the chip's latency timer is ours
  line.SetPacing(true);
  line.SetOpenPulse(false);  // the chip's UART is powered, not opened
  std::unique_ptr<platform::CommDevice> uart = line.Open({});
  Ft232r chip(*uart, options.serial, Clock::now());
  UsbipDevice device(chip, options.control_delay);
  computer.Board().Start();

  MessageReader reader;
  std::string end = "closed by the host";
  try {
    for (;;) {
      pollfd in{STDIN_FILENO, POLLIN, 0};
      const int ready = poll(&in, 1, device.Holding() ? 1 : 20);
      if (ready < 0 && errno != EINTR) throw platform::SysError::FromErrno(errno);
      std::string reply;
      if (ready > 0) {
        char buffer[4096];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        reader.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        while (auto message = reader.Next()) reply += device.Handle(*message, Clock::now());
      }
      reply += device.Poll(Clock::now());
      WriteAll(STDOUT_FILENO, reply);
    }
  } catch (const platform::SysError& error) {
    end = std::string("unplugged: ") + error.what();
  } catch (const std::exception& error) {
    end = std::string("failed: ") + error.what();
  }
  std::fprintf(stderr, "korvalesen-ftdi-usbip: %s\n", end.c_str());
  close(STDIN_FILENO);
  close(STDOUT_FILENO);
  WriteReport(options, chip, computer.Board(), device, end);
  return 0;
}
