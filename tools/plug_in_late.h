#pragma once

// The simulator's adapter plugged in after the program has started (--fault plug-in-late:N).

#include <chrono>

#include "app/main_form_run.h"
#include "sim/virtual_computer.h"

namespace korvalesen::tools {

// --fault plug-in-late:N: the hook after the readout that plugs the adapter in `delay` after
// now, but not before the first readout has returned (its search failed); the hook's later
// calls go on to `then`.
AfterReadout PlugInAfterFirstSearch(sim::VirtualComputer& computer, std::chrono::milliseconds delay,
                                    AfterReadout then);

}  // namespace korvalesen::tools
