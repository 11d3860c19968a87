#pragma once

// The one window on a view of any toolkit: its logic on the given systems, the readout
// sequence as Timer1's handler, and the toolkit's message loop until the window is closed.

#include <functional>

#include "app/main_form_view.h"
#include "app/program_services.h"

namespace korvalesen {

// Called each time the readout sequence has returned or left with an error, before that error
// is shown; the process is still running and the window waits for the user.
using AfterReadout = std::function<void(MainFormView& window)>;

// `show_and_run_loop` shows the view and runs the message loop until the window is closed.
// Returns the status the process then ends with.
int RunMainForm(MainFormView& view, const ProgramServices& services,
                const AfterReadout& after_readout, const std::function<void()>& show_and_run_loop);

}  // namespace korvalesen
