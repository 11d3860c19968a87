#include "tools/sim_board.h"

#include <fstream>
#include <iterator>

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

}  // namespace korvalesen::tools
