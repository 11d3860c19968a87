#include <cstring>

#include "platform/comm_device.h"

namespace korvalesen::platform {

SysError SysError::FromErrno(int code) {
  return SysError(code, std::strerror(code));
}

}  // namespace korvalesen::platform
