#pragma once

// The support log: one line per event of a run (the port found, the handshake's times, every
// FTP command and reply, every failure with the system's code and text, the exit status), for
// support to read afterwards. The layers hand their events to LogEvent; the program installs
// the sink that writes them to a file. Without a sink, as in most tests, nothing is kept.

#include <string_view>

namespace korvalesen {

class SupportLogSink {
 public:
  virtual ~SupportLogSink() = default;
  // Keeps one event's text (Windows-1252). Must not throw: the log never changes the run.
  virtual void WriteLine(std::string_view text) noexcept = 0;
};

// Installs the sink (nullptr: none) and returns the one installed before.
SupportLogSink* SetSupportLogSink(SupportLogSink* sink);

// Hands one event to the sink; from any thread.
void LogEvent(std::string_view text) noexcept;

}  // namespace korvalesen
