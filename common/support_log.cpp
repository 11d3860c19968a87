#include "common/support_log.h"

#include <mutex>

namespace korvalesen {
namespace {

std::mutex& SinkMutex() {
  static std::mutex mutex;
  return mutex;
}
SupportLogSink* installed_sink = nullptr;

}  // namespace

SupportLogSink* SetSupportLogSink(SupportLogSink* sink) {
  const std::lock_guard lock(SinkMutex());
  SupportLogSink* previous = installed_sink;
  installed_sink = sink;
  return previous;
}

void LogEvent(std::string_view text) noexcept {
  const std::lock_guard lock(SinkMutex());
  if (installed_sink != nullptr) installed_sink->WriteLine(text);
}

}  // namespace korvalesen
