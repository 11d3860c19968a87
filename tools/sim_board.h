#pragma once

// Sets up the virtual computer of a korvalesen-sim run from its command line.

#include "sim/virtual_computer.h"
#include "tools/sim_options.h"

namespace korvalesen::tools {

// The adapter's fault, the board's dump, pacing and faults; throws OptionError when the dump
// file cannot be read. Call before the board is started.
void SetUpComputer(sim::VirtualComputer& computer, const SimOptions& options);

}  // namespace korvalesen::tools
