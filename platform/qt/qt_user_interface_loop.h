#pragma once

// The user-interface loop on Qt: the event loop of the QCoreApplication's thread.

namespace korvalesen::platform {

// Installs Qt's loop for the QCoreApplication, on its thread; raises std::logic_error without
// one or on another thread. Later calls do nothing.
void InstallQtUserInterfaceLoop();

}  // namespace korvalesen::platform
