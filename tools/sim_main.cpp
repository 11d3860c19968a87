// korvalesen-sim: the whole program on a virtual computer with the board simulator behind its
// FTDI adapter. Run with --help for the options.

#include <cstdio>
#include <string_view>
#include <vector>

#include "app/program_run.h"
#include "platform/standard_output.h"
#include "tools/auto_confirm.h"
#include "tools/sim_board.h"
#include "tools/sim_options.h"

int main(int argc, char* argv[]) {
  using namespace korvalesen;
  using namespace korvalesen::tools;
  const std::string_view program = argc > 0 ? argv[0] : "korvalesen-sim";
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);

  platform::WriteStandardOutputAsUtf8Bytes();
  SimOptions options;
  // The process ends from inside the run: the simulator lives until the exit routines run,
  // and stops its thread then.
  static sim::VirtualComputer computer;
  try {
    options = ParseSimOptions(arguments);
    if (options.help) {
      std::fputs(SimUsage(program).c_str(), stdout);
      return 0;
    }
    SetUpComputer(computer, options);
  } catch (const OptionError& error) {
    std::fprintf(stderr, "%s: %s\n(see --help)\n", std::string(program).c_str(), error.what());
    return kUsageStatus;
  }

  ProgramServices services;
  if (!options.realDevices) services.serial = computer.Services();
  services.upload = options.upload;
  AfterReadout after_readout;
  if (options.autoConfirm) {
    ConfirmBoxesOnStandardOutput();
    after_readout = CloseWindowAfterReadout;
  }
  if (!options.realDevices) computer.Board().Start();
  return RunProgram(argv[0], services, after_readout);
}
