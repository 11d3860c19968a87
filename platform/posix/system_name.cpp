#include "platform/system_name.h"

#include <sys/utsname.h>

namespace korvalesen::platform {

std::string SystemName() {
  utsname name{};
  if (uname(&name) != 0) return "Linux";
  return std::string(name.sysname) + " " + name.release + " " + name.machine;
}

}  // namespace korvalesen::platform
