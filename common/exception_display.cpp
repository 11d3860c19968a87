#include "common/exception_display.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <utility>

#include "common/support_log.h"

namespace korvalesen {

namespace {

ExceptionDisplay& InstalledDisplay() {
  static ExceptionDisplay display;
  return display;
}

}  // namespace

void SetExceptionDisplay(ExceptionDisplay display) {
  InstalledDisplay() = std::move(display);
}

void ShowException(const Error& error) {
  if (dynamic_cast<const SilentAbort*>(&error) != nullptr) return;
  LogEvent("Ausnahme: " + error.Message());
  if (InstalledDisplay()) {
    InstalledDisplay()(error);
  } else {
    std::fprintf(stderr, "%s\n", error.Message().c_str());
  }
}

void ShowCurrentException() {
  try {
    throw;
  } catch (const Error& error) {
    ShowException(error);
  } catch (const std::bad_alloc&) {
    ShowException(Error("Zu wenig Arbeitsspeicher."));
  } catch (const std::exception& error) {
    ShowException(Error(std::string("Unerwarteter Fehler: ") + error.what()));
  } catch (...) {
    ShowException(Error("Unerwarteter Fehler."));
  }
}

}  // namespace korvalesen
