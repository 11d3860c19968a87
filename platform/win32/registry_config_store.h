#pragma once

// The default configuration of each serial device as one string value of the user's registry
// key (HKEY_CURRENT_USER\Software\Korvalesen\Serial), named after the device and holding the
// record's text; tests give a key of their own.

#include <string>

#include "platform/comm_config_store.h"

namespace korvalesen::platform {

class RegistryConfigStore : public CommConfigStore {
 public:
  explicit RegistryConfigStore(std::wstring key_path);

  std::optional<LineSettings> Load(const std::string& device) override;
  // Creates the key when missing.
  void Save(const std::string& device, const LineSettings& settings) override;

 private:
  std::wstring key_path_;
};

}  // namespace korvalesen::platform
