#pragma once

// Finding the board's serial port: the computer's ports into the port list, the adapter among
// the device names, its port, the test open, the port opened and the tone; and the port
// list's own handler for a port picked by hand.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board/board_link.h"

namespace korvalesen {

// The start of the adapter's device name.
inline constexpr std::string_view AdapterDevicePrefix = "FTDIBUS#VID_0403+PID_6001+";

// Whether a device notice's name is the adapter's USB device ("USB#VID_0403&PID_6001#...", on
// Windows after "\\?\", in any case).
bool IsAdapterNotice(std::string_view name);

// The characters of a name that the search looks at: the size of its work buffers, less the
// terminator. Longer names are cut.
inline constexpr std::size_t kNameBufferLength = 199;

// The adapter serial (up to nine characters after the prefix) of the first device name that
// begins with AdapterDevicePrefix; nothing when no name does.
std::optional<std::string> FindAdapterSerial(const std::vector<std::string>& device_names);

// True only when the adapter's port is selected in the port list, is the port's device and
// the port is open. Otherwise it has shown its message and the window waits for "suchen".
bool FindBoardPort(BoardLink& link);

// Whether the port (a bare name) can be opened; on success it becomes the port list's text and
// the port's device, and the controls are enabled.
bool TestOpenPort(BoardLink& link, const std::string& name);

// A port picked in the port list is opened if it is free; the readout does not start.
void ComboBoxChange(BoardLink& link);

// Starts the short tone of a port found, without waiting.
void PlayPortFoundTone(platform::TonePlayer& player);

}  // namespace korvalesen
