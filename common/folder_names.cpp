#include "common/folder_names.h"

namespace korvalesen {
namespace {

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

}  // namespace

bool IsServerFolderName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char c : name) {
    if (IsControl(c) || c == '/' || c == '\\') return false;
  }
  return true;
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
