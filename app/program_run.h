#pragma once

// The program's run, shared by the product and the simulator-driven variant: the application
// object titled "Korvalesen" with its exception display, the one window (its view, then its
// logic on the given systems), the readout sequence as Timer1's handler and the message loop.

#include "app/main_form_run.h"

namespace korvalesen {

// Runs until the user closes the window and returns the status the process then ends with.
// The toolkit sees the program name only, never the command line.
int RunProgram(char* program_name, const ProgramServices& services,
               const AfterReadout& after_readout = {});

}  // namespace korvalesen
