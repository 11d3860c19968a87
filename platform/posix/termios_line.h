#pragma once

// Line settings as termios holds them, both ways, and the line formats a driver keeps. The
// rate goes through the driver (tty_driver.h); the modem lines through their own ioctls.

#include <termios.h>

#include <cstdint>

#include "platform/comm_device.h"

namespace korvalesen::platform {

// Raw binary mode: no line editing, echo, signals, translation or output processing; the
// modem lines are no flow control, reads take what is there.
void MakeRaw(termios& t);

// Writes the settings into `t`: raw, the data bits, parity and stop bits, hardware and
// XON/XOFF flow control with its characters, and the hang-up (DTR dropped) at the last close.
// `s` must be settings that LineSettingsError (platform/line_settings_check.h) allows.
void ApplyLineSettings(const LineSettings& s, termios& t);

// The settings `t` holds; what termios has no place for (the rate among them) comes from
// `kept`, the settings last applied.
LineSettings ReadLineSettings(const termios& t, const LineSettings& kept);

// Whether the driver kept the format and flow control asked for: `got` read back after
// applying `asked`.
bool KeptLineSettings(const termios& asked, const termios& got);

// The data sizes, parities and stop bits the driver keeps, as the property record's flags.
struct LineFormats {
  std::uint16_t data = 0;
  std::uint16_t stop_parity = 0;
};
// Tries each on the line and puts the line back; some drivers take only part of them (a pty
// stays at 8 bits without parity). On a USB adapter each try is a control transfer.
LineFormats ProbeLineFormats(int fd);

}  // namespace korvalesen::platform
