#pragma once

// Messages are formatted printf-style into work buffers of 300 characters, as the system does;
// a longer result is cut at 299 characters.

#include <cstdio>
#include <string>

namespace korvalesen {

inline constexpr int kMessageBufferSize = 300;

template <typename... Args>
std::string FormatText(const char* format, Args... args) {
  char buffer[kMessageBufferSize];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
  const int length = std::snprintf(buffer, sizeof buffer, format, args...);
#pragma GCC diagnostic pop
  if (length < 0) return {};
  return std::string(buffer, static_cast<std::size_t>(
                                 length < kMessageBufferSize ? length : kMessageBufferSize - 1));
}

}  // namespace korvalesen
