// The log file of the port's traffic.

#include "common/in_out_error.h"
#include "platform/file_append.h"
#include "platform/local_time_text.h"
#include "serial/com_port.h"

namespace korvalesen {

// Lines end in CR LF, as in the component's log files elsewhere, so that logs of both kinds
// compare byte for byte.
void TCustomComPort::WriteLog(const std::string& msg, const void* data, std::int32_t count) {
  if (!Log()) return;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string line = (log_time_text_ ? log_time_text_() : platform::LocalDateTimeText());
  line += ' ';
  line += msg;
  if (data != nullptr) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::int32_t i = 0; i < count; ++i) {
      if (i > 0) line += ", ";
      line += '$';
      line += kHex[bytes[i] >> 4];
      line += kHex[bytes[i] & 0xF];
    }
  }
  line += "\r\n";
  try {
    platform::AppendToFile(log_file_, line);
  } catch (const platform::SysError& e) {
    throw EInOutError(e.Code(), e.what());
  }
}

}  // namespace korvalesen
