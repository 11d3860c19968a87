#pragma once

// TCustomComPort::Check for the files of the port: a device call whose SysError becomes
// RaiseError with its code and text.

#include "serial/com_port.h"

namespace korvalesen {

template <class F>
auto TCustomComPort::Check(F&& call) -> decltype(call()) {
  try {
    return call();
  } catch (const platform::SysError& e) {
    RaiseError(e.Code(), e.what());
  }
}

}  // namespace korvalesen
