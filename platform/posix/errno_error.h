#pragma once

// The errors of failed system calls, taken at the call that failed (errno right there).

#include <cerrno>

#include "platform/comm_device.h"

namespace korvalesen::platform {

[[noreturn]] inline void ThrowErrno(int code) {
  throw SysError::FromErrno(code);
}

// Throws errno's error when a call returned a negative result.
inline void CheckCall(int result) {
  if (result < 0) ThrowErrno(errno);
}

}  // namespace korvalesen::platform
