#include "tools/sim_board.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

#include "platform/user_interface_loop.h"
#include "sim/board_dump.h"

namespace korvalesen::tools {

namespace {

std::string ReadDumpFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open()) throw OptionError("--dump: cannot open " + path);
  std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) throw OptionError("--dump: cannot read " + path);
  return bytes;
}

}  // namespace

void SetUpComputer(sim::VirtualComputer& computer, const SimOptions& options) {
  computer.SetDeviceFault(options.plugInLate && !options.deviceFault ? sim::DeviceFault::kNoAdapter
                                                                     : options.deviceFault);
  sim::BoardSimulator& board = computer.Board();
  if (options.dumpFile) {
    board.SetDump(ReadDumpFile(*options.dumpFile));
  } else if (options.seed) {
    board.SetImage(sim::RandomBoardImage(*options.seed));
  } else {
    board.SetImage(sim::SampleBoardImage());
  }
  board.SetPaced(!options.fast);
  computer.Line().SetLatency(options.latency);
  board.SetFaults(options.boardFaults);
}

AfterReadout PlugInAfterFirstSearch(sim::VirtualComputer& computer, std::chrono::milliseconds delay,
                                    AfterReadout then) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point at = Clock::now() + delay;
  auto plug_in = std::make_shared<std::unique_ptr<platform::LoopTimer>>();
  return [&computer, at, then = std::move(then), plug_in](MainFormView& window) {
    if (*plug_in) {
      if (then) then(window);
      return;
    }
    const auto wait =
        std::max(std::chrono::duration_cast<std::chrono::milliseconds>(at - Clock::now()),
                 std::chrono::milliseconds::zero());
    *plug_in = platform::InstalledUserInterfaceLoop().MakeTimer(
        wait, platform::UserInterfaceLoop::Repeat::kSingleShot,
        [&computer] { computer.PlugInAdapter(); });
    (*plug_in)->Start();
  };
}

}  // namespace korvalesen::tools
