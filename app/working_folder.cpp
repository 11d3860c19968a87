#include "app/working_folder.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <system_error>

namespace korvalesen {

namespace fs = std::filesystem;

namespace {

// The system's own characters: UTF-8 bytes on Linux, UTF-16 on Windows; never converted, so
// that a name in any script compares as it is.
using Text = fs::path::string_type;
using Char = fs::path::value_type;

Char Upper(Char c) {
  return c >= 'a' && c <= 'z' ? static_cast<Char>(c - 'a' + 'A') : c;
}

bool Separator(Char c) {
  return c == '/' || c == '\\';
}

// The names compared as the system does: Windows ignores the case of names.
Text Comparable(const fs::path& path) {
  Text text = path.lexically_normal().native();
  while (text.size() > 1 && Separator(text.back())) text.pop_back();
#ifdef _WIN32
  std::transform(text.begin(), text.end(), text.begin(), Upper);
#endif
  return text;
}

bool SameFolder(const fs::path& a, const fs::path& b) {
  return !a.empty() && !b.empty() && Comparable(a) == Comparable(b);
}

bool Inside(const fs::path& folder, const fs::path& outer) {
  if (outer.empty()) return false;
  const Text inner_text = Comparable(folder);
  const Text outer_text = Comparable(outer);
  return inner_text == outer_text ||
         (inner_text.starts_with(outer_text) && inner_text.size() > outer_text.size() &&
          Separator(inner_text[outer_text.size()]));
}

// Explorer runs a program opened inside a .zip from "%TEMP%\Temp1_<name>.zip\...".
bool UnpackedFromZip(const fs::path& folder, const fs::path& temporary) {
  if (!Inside(folder, temporary) || SameFolder(folder, temporary)) return false;
  Text below = Comparable(folder).substr(Comparable(temporary).size() + 1);
  below.erase(std::find_if(below.begin(), below.end(), Separator), below.end());
  std::transform(below.begin(), below.end(), below.begin(), Upper);
  const Text temp = fs::path("TEMP").native();
  const Text zip = fs::path(".ZIP").native();
  return below.starts_with(temp) && below.ends_with(zip);
}

}  // namespace

fs::path ChooseWorkingFolder(const platform::FolderFacts& facts, const FolderWritable& writable) {
  const fs::path& started = facts.started;
  const bool system = std::any_of(facts.systemFolders.begin(), facts.systemFolders.end(),
                                  [&](const fs::path& folder) { return Inside(started, folder); });
  const bool usable = !started.empty() && !SameFolder(started, facts.program) && !system &&
                      !UnpackedFromZip(started, facts.temporary) && writable(started);
  if (usable || facts.userFolder.empty()) return started;
  return facts.userFolder;
}

bool CanWriteInto(const fs::path& folder) {
  const fs::path probe = folder / ".korvalesen-probe";
  std::error_code ignored;
  if (fs::exists(probe, ignored)) return false;
  const bool made = std::ofstream(probe).is_open();
  fs::remove(probe, ignored);
  return made;
}

void EnterWorkingFolder() {
  const fs::path folder = ChooseWorkingFolder(platform::ReadFolderFacts(), CanWriteInto);
  std::error_code ignored;
  fs::create_directories(folder, ignored);
  fs::current_path(folder, ignored);
}

}  // namespace korvalesen
