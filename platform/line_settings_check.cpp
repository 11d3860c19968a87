#include "platform/line_settings_check.h"

#include <cerrno>

namespace korvalesen::platform {

int LineSettingsError(const LineSettings& s) {
  const bool refused = !s.binary || s.baud_rate == 0 || s.byte_size < 5 || s.byte_size > 8 ||
                       (s.stop_bits == StopBitsCode::kOneAndHalf && s.byte_size != 5);
  return refused ? EINVAL : 0;
}

}  // namespace korvalesen::platform
