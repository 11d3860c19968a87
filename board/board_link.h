#pragma once

// What the board link works on: the window (its operations, the port list and the "Reset"
// lamp), the serial port with its DSR indicator, the device namespace, the tone player, the
// plain waits and the program-wide name of the selected port.

#include <cstdint>
#include <string>

#include "common/pause.h"
#include "common/window_operations.h"
#include "platform/device_namespace.h"
#include "platform/tone_player.h"
#include "serial/com_port.h"
#include "serial/com_signal.h"

namespace korvalesen {

// The window parts of the board link beyond the shared window operations.
class BoardLinkWindow : public WindowOperations {
 public:
  // The port list (ComboBox).
  virtual void ClearPortItems() = 0;
  virtual void AddPortItem(const std::string& name) = 0;
  virtual int PortItemCount() = 0;
  virtual std::string PortItem(int index) = 0;
  // Selects an item; this does not raise ComboBoxChange.
  virtual void SelectPortItem(int index) = 0;
  virtual std::string PortListText() = 0;
  virtual void SetPortListText(const std::string& text) = 0;
  // Enables SuchenButton and ComboBox, then repaints ComboBox at once.
  virtual void EnableSearch() = 0;
  // The "Reset" lamp: its colour (0x00BBGGRR) and an immediate repaint.
  virtual void SetResetPanelColor(std::uint32_t bgr) = 0;
  virtual void RepaintResetPanel() = 0;
};

struct BoardLink {
  BoardLinkWindow& window;
  TCustomComPort& port;
  TComSignal& resetSignal;
  platform::DeviceNamespace& devices;
  platform::TonePlayer& tone;
  Pause& pause;
  std::string& portName;
};

}  // namespace korvalesen
