#include "results/unsent_results.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "common/folder_names.h"
#include "common/result_file_names.h"
#include "common/windows1252.h"
#include "platform/local_time_text.h"

namespace korvalesen {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSerialLabel = "Seriennummer:   ";

constexpr char kUnknownSerial[] = "unbekannt";

// The serial number on the first line of a "_SerienNrVersion.txt", or "unbekannt".
std::string OldSerialNumber(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  char start[64] = {};
  file.read(start, sizeof start);
  const std::string_view text(start, static_cast<std::size_t>(file.gcount()));
  if (!text.starts_with(kSerialLabel)) return kUnknownSerial;
  std::string_view serial = text.substr(kSerialLabel.size());
  const auto end = serial.find_first_of("\r\n");
  // A serial number holding a line end would be read cut short: the version's line must follow.
  if (end == std::string_view::npos || !serial.substr(end).starts_with("\r\nVersion:")) {
    return kUnknownSerial;
  }
  serial = serial.substr(0, end);
  return IsLocalFolderName(serial) ? std::string(serial) : kUnknownSerial;
}

// A path from a Windows-1252 name, in the file system's own encoding: UTF-8 on Linux, wide
// characters on Windows.
fs::path PathOf(std::string_view w1252) {
  const std::string utf8 = W1252ToUtf8(w1252);
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// The part of a waiting folder's name that orders it: the date and time, then the number a
// second folder of the same second got (" (2)").
std::pair<std::string, int> AgeOf(const std::string& folder_name, const std::string& serial) {
  std::string rest =
      folder_name.starts_with(serial + " ") ? folder_name.substr(serial.size() + 1) : folder_name;
  int number = 1;
  const auto open = rest.rfind(" (");
  if (open != std::string::npos && rest.ends_with(")")) {
    number = std::atoi(rest.c_str() + open + 2);
    rest.resize(open);
  }
  return {rest, number};
}

// The result files of a waiting folder, as they are; nullopt when one cannot be read.
std::optional<std::vector<ResultFile>> FilesIn(const fs::path& folder) {
  std::vector<ResultFile> files;
  for (const std::string_view name : kResultFileNames) {
    const fs::path path = folder / name;
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(path, error))) continue;
    std::ifstream file(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.is_open() || file.bad()) return std::nullopt;
    files.push_back({std::string(name), std::move(bytes)});
  }
  return files;
}

// A folder for this run that does not exist yet: a second run within the same second gets
// " (2)" and so on.
fs::path FreshFolder(const std::string& name) {
  const fs::path base = fs::path(UnsentResultsFolder) / PathOf(name);
  fs::path folder = base;
  std::error_code ignored;
  for (int n = 2; fs::exists(fs::symlink_status(folder, ignored)); ++n) {
    folder = base;
    folder += " (" + std::to_string(n) + ")";
  }
  return folder;
}

// A path as Windows-1252 text, for a message box.
std::string TextOf(const fs::path& path) {
  const std::u8string utf8 = path.u8string();
  return Utf8ToW1252(std::string(utf8.begin(), utf8.end()));
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

  const fs::path folder = FreshFolder(OldSerialNumber(fs::path(SerialVersionFileName)) + " " +
                                      platform::LocalDateTimeName());
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) {
    window.ShowInfoBox("Ordner \"" + TextOf(folder) + "\" kann nicht erstellt werden!");
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
                         TextOf(folder) + "\" verschoben werden!");
      return false;
    }
    moved.push_back(name);
  }
  return true;
}

}  // namespace korvalesen

namespace korvalesen {

WaitingReadouts ListWaitingReadouts() {
  struct Found {
    std::pair<std::string, int> age;
    fs::path folder;
    Readout readout;
  };
  std::vector<Found> found;
  WaitingReadouts waiting;
  std::error_code error;
  for (fs::directory_iterator it(fs::path(UnsentResultsFolder), error), end; !error && it != end;
       it.increment(error)) {
    std::error_code ignored;
    if (!fs::is_directory(it->symlink_status(ignored))) continue;
    const fs::path folder = it->path();
    const std::string serial = OldSerialNumber(folder / SerialVersionFileName);
    std::optional<std::vector<ResultFile>> files = FilesIn(folder);
    if (serial == kUnknownSerial || !files || files->empty()) {
      ++waiting.kept;
      continue;
    }
    const std::u8string name = folder.filename().u8string();
    found.push_back({AgeOf(std::string(name.begin(), name.end()), W1252ToUtf8(serial)), folder,
                     Readout{serial, std::move(*files)}});
  }
  std::sort(found.begin(), found.end(),
            [](const Found& a, const Found& b) { return a.age < b.age; });
  for (Found& one : found) {
    waiting.sendable.push_back({std::move(one.readout), [folder = one.folder] {
                                  std::error_code ignored;
                                  fs::remove_all(folder, ignored);
                                  // The last one sent takes the emptied folder with it.
                                  fs::remove(fs::path(UnsentResultsFolder), ignored);
                                }});
  }
  return waiting;
}

}  // namespace korvalesen
