#include "results/unsent_results.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/folder_names.h"
#include "common/result_file_names.h"
#include "platform/local_time_text.h"

namespace korvalesen {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSerialLabel = "Seriennummer:   ";

// The serial number on the first line of an old "_SerienNrVersion.txt", or "unbekannt".
std::string OldSerialNumber() {
  std::ifstream file(std::string(SerialVersionFileName), std::ios::binary);
  char start[64] = {};
  file.read(start, sizeof start);
  const std::string_view text(start, static_cast<std::size_t>(file.gcount()));
  if (!text.starts_with(kSerialLabel)) return "unbekannt";
  std::string_view serial = text.substr(kSerialLabel.size());
  const auto end = serial.find_first_of("\r\n");
  if (end == std::string_view::npos) return "unbekannt";
  serial = serial.substr(0, end);
  return IsLocalFolderName(serial) ? std::string(serial) : "unbekannt";
}

// A folder for this run that does not exist yet: a second run within the same second gets
// " (2)" and so on.
fs::path FreshFolder(const std::string& name) {
  const fs::path base = fs::path(UnsentResultsFolder) / name;
  fs::path folder = base;
  std::error_code ignored;
  for (int n = 2; fs::exists(fs::symlink_status(folder, ignored)); ++n) {
    folder = base;
    folder += " (" + std::to_string(n) + ")";
  }
  return folder;
}

bool IsPresent(std::string_view name) {
  std::error_code ignored;
  const fs::file_status status = fs::symlink_status(fs::path(name), ignored);
  // A folder of the name is no result file; its writer reports it.
  return fs::exists(status) && !fs::is_directory(status);
}

}  // namespace

bool SetAsideUnsentResults(WindowOperations& window) {
  std::vector<std::string_view> present;
  for (const std::string_view name : kResultFileNames) {
    if (IsPresent(name)) present.push_back(name);
  }
  if (present.empty()) return true;

  const fs::path folder = FreshFolder(OldSerialNumber() + " " + platform::LocalDateTimeName());
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) {
    window.ShowInfoBox("Ordner \"" + folder.string() + "\" kann nicht erstellt werden!");
    return false;
  }
  std::vector<std::string_view> moved;
  for (const std::string_view name : present) {
    fs::rename(fs::path(name), folder / name, error);
    if (error) {
      for (const std::string_view back : moved) {
        std::error_code ignored;
        fs::rename(folder / back, fs::path(back), ignored);
      }
      std::error_code ignored;
      fs::remove(folder, ignored);
      window.ShowInfoBox(std::string("Datei \"").append(name).append("\" kann nicht nach \"") +
                         folder.string() + "\" verschoben werden!");
      return false;
    }
    moved.push_back(name);
  }
  return true;
}

}  // namespace korvalesen
