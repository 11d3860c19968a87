#pragma once

// The adapter plugged in after the program has started: by the simulator (--fault
// plug-in-late:N) or by the machine (--await-adapter with --real-devices).

#include <chrono>

#include "app/main_form_run.h"
#include "sim/virtual_computer.h"

namespace korvalesen::tools {

// --fault plug-in-late:N: the hook after the readout that plugs the adapter in `delay` after
// now, but not before the first readout has returned (its search failed); the hook's later
// calls go on to `then`.
AfterReadout PlugInAfterFirstSearch(sim::VirtualComputer& computer, std::chrono::milliseconds delay,
                                    AfterReadout then);

// --await-adapter: the hook after the readout that leaves the window waiting after the first
// readout (its search failed), so that the machine's adapter arrival starts the next; the
// hook's later calls go on to `then`.
AfterReadout AwaitAdapterAfterFirstSearch(AfterReadout then);

}  // namespace korvalesen::tools
