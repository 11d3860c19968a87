#pragma once

// Sets up the virtual computer of a korvalesen-sim run from its command line.

#include <chrono>

#include "app/main_form_run.h"
#include "sim/virtual_computer.h"
#include "tools/sim_options.h"

namespace korvalesen::tools {

// The adapter's fault, the board's dump, pacing and faults; throws OptionError when the dump
// file cannot be read. Call before the board is started.
void SetUpComputer(sim::VirtualComputer& computer, const SimOptions& options);

// --fault plug-in-late:N: the hook after the readout that plugs the adapter in `delay` after
// now, but not before the first readout has returned (its search failed); the hook's later
// calls go on to `then`.
AfterReadout PlugInAfterFirstSearch(sim::VirtualComputer& computer, std::chrono::milliseconds delay,
                                    AfterReadout then);

}  // namespace korvalesen::tools
