#pragma once

// The application's display for errors that leave an event handler or the program entry: a
// message box captioned with the application title. The window installs the box; without it
// the message goes to standard error. The silent abort is never shown.

#include <functional>

#include "common/errors.h"

namespace korvalesen {

using ExceptionDisplay = std::function<void(const Error& error)>;
void SetExceptionDisplay(ExceptionDisplay display);

// Shows the error unless it is the silent abort.
void ShowException(const Error& error);

// For use inside a catch block at the edge of a handler: shows the exception being handled.
// An exception that is not an Error is shown too, with a text that names it: lack of memory
// as such, any other with its own text after "Unerwarteter Fehler: ".
void ShowCurrentException();

}  // namespace korvalesen
