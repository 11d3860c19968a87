#pragma once

// The default configuration of each serial device in a file of its own,
// <root>/<device>.conf, where the root is $XDG_CONFIG_HOME/korvalesen/serial (or
// ~/.config/korvalesen/serial); tests give a root of their own.

#include <filesystem>

#include "platform/comm_config_store.h"

namespace korvalesen {

class CommConfigFiles : public platform::CommConfigStore {
 public:
  explicit CommConfigFiles(std::filesystem::path root);

  std::optional<platform::LineSettings> Load(const std::string& device) override;
  // Creates the folder when missing and replaces the file as a whole.
  void Save(const std::string& device, const platform::LineSettings& settings) override;

  // The file of `device`: every character outside letters, digits, '-', '_' and '.' (and a
  // leading '.') is written as %XX, so that any name stays one file inside the root.
  std::filesystem::path FileOf(const std::string& device) const;

  // The user's folder of these files.
  static std::filesystem::path UserRoot();

 private:
  std::filesystem::path root_;
};

}  // namespace korvalesen
