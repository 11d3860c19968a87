// korvalesen-sim: the whole program on a virtual computer with the board simulator behind its
// FTDI adapter. Run with --help for the options.

#include <cstdio>
#include <string_view>
#include <vector>

#include "app/program_run.h"
#include "app/working_folder.h"
#include "common/process_end.h"
#include "platform/standard_output.h"
#include "tools/auto_confirm.h"
#include "tools/plug_in_late.h"
#include "tools/sim_board.h"
#include "tools/sim_options.h"
#include "tools/ui_gap_meter.h"

namespace {

// Made only with --report-ui-gap; never destroyed, since its timer belongs to the loop, which
// lives until the process ends.
korvalesen::tools::UiGapMeter* gap_meter = nullptr;

void PrintUiGap() {
  std::printf("%s\n", gap_meter->Report().c_str());
  std::fflush(stdout);
}

}  // namespace

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
  if (options.awaitAdapter) after_readout = AwaitAdapterAfterFirstSearch(std::move(after_readout));
  if (options.plugInLate) {
    after_readout = PlugInAfterFirstSearch(computer, *options.plugInLate, std::move(after_readout));
  }
  if (options.reportUiGap) {
    gap_meter = new UiGapMeter;
    services.onLoopStart = [] { gap_meter->Start(); };
    // Returns, so the process then ends as it would have.
    SetProcessEndHook([](ExitStatus) { PrintUiGap(); });
  }
  // As the program does, after the dump file has been read from where it was started.
  EnterWorkingFolder();
  if (!options.realDevices) computer.Board().Start();
  const int status = RunProgram(argv[0], services, after_readout);
  if (gap_meter != nullptr) PrintUiGap();
  return status;
}
