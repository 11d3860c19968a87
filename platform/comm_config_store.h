#pragma once

// The stored default configuration of serial devices: one record of line settings per device,
// written by the default-configuration dialog and read by the configuration dialogs. On Linux
// it is one small text file per device (platform/posix/comm_config_files.h); on Windows one
// registry value per device (platform/win32/registry_config_store.h).

#include <optional>
#include <string>
#include <string_view>

#include "platform/comm_device.h"

namespace korvalesen::platform {

class CommConfigStore {
 public:
  virtual ~CommConfigStore() = default;
  // The stored settings of `device` (a short device name such as ttyUSB0); nullopt when none
  // are stored. Any other failure throws SysError.
  virtual std::optional<LineSettings> Load(const std::string& device) = 0;
  virtual void Save(const std::string& device, const LineSettings& settings) = 0;
};

// The store of this system's user.
CommConfigStore& SystemCommConfigStore();

// The text of a stored record: one "name=value" line per field of the line settings.
std::string FormatLineSettings(const LineSettings& settings);
// The record of such a text; nullopt when a line is not of that form, names an unknown field
// or has a value out of range. Fields that are missing keep their default.
std::optional<LineSettings> ParseLineSettings(std::string_view text);

}  // namespace korvalesen::platform
