#include "platform/win32/code_page.h"

#include <windows.h>

namespace korvalesen::platform {
namespace {

constexpr UINT kWindows1252 = 1252;

}  // namespace

std::wstring WideFrom1252(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::wstring wide(
      static_cast<std::size_t>(MultiByteToWideChar(kWindows1252, 0, text.data(), size, nullptr, 0)),
      L'\0');
  MultiByteToWideChar(kWindows1252, 0, text.data(), size, wide.data(),
                      static_cast<int>(wide.size()));
  return wide;
}

std::string Windows1252From(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::string bytes(static_cast<std::size_t>(WideCharToMultiByte(kWindows1252, 0, text.data(), size,
                                                                 nullptr, 0, nullptr, nullptr)),
                    '\0');
  WideCharToMultiByte(kWindows1252, 0, text.data(), size, bytes.data(),
                      static_cast<int>(bytes.size()), "?", nullptr);
  return bytes;
}

}  // namespace korvalesen::platform
