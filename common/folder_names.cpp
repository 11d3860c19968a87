#include "common/folder_names.h"

namespace korvalesen {
namespace {

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// CON, PRN, AUX, NUL, COM0 to COM9 and LPT0 to LPT9, in any case, alone or before a dot or a
// blank: Windows opens the device instead of a folder of that name.
bool IsReservedOnWindows(std::string_view name) {
  const std::string_view stem = name.substr(0, name.find_first_of(". "));
  std::string upper;
  for (const char c : stem) upper += Upper(c);
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         upper[3] >= '0' && upper[3] <= '9';
}

}  // namespace

bool IsServerFolderName(std::string_view name) {
  // A leading dot hides the folder on the server (and "." and ".." are no new folder); a
  // trailing blank or dot is dropped by Windows, so the name would not be the one asked for.
  if (name.empty() || name.front() == '.' || name.back() == ' ' || name.back() == '.') {
    return false;
  }
  for (const char c : name) {
    if (IsControl(c) || c == '/' || c == '\\') return false;
  }
  return !IsReservedOnWindows(name);
}

bool IsLocalFolderName(std::string_view name) {
  return IsServerFolderName(name) && name.find_first_of(":*?\"<>|") == std::string_view::npos;
}

std::string PrintableText(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    if (IsControl(c)) c = '?';
  }
  return shown;
}

}  // namespace korvalesen
