#include "platform/win32/registry_config_store.h"

#include <windows.h>

#include "platform/win32/code_page.h"
#include "platform/win32/system_error.h"

namespace korvalesen::platform {

RegistryConfigStore::RegistryConfigStore(std::wstring key_path) : key_path_(std::move(key_path)) {}

std::optional<LineSettings> RegistryConfigStore::Load(const std::string& device) {
  const std::wstring name = WideFrom1252(device);
  DWORD size = 0;
  LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, key_path_.c_str(), name.c_str(), RRF_RT_REG_SZ,
                                nullptr, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (status == ERROR_SUCCESS) {
    status = RegGetValueW(HKEY_CURRENT_USER, key_path_.c_str(), name.c_str(), RRF_RT_REG_SZ,
                          nullptr, text.data(), &size);
  }
  if (status != ERROR_SUCCESS) throw WindowsError(static_cast<unsigned long>(status));
  text.resize(size / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  auto settings = ParseLineSettings(Windows1252From(text));
  if (!settings) throw WindowsError(ERROR_INVALID_DATA);  // not a record this store wrote
  return settings;
}

void RegistryConfigStore::Save(const std::string& device, const LineSettings& settings) {
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, key_path_.c_str(), 0, nullptr, 0,
                                   KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) throw WindowsError(static_cast<unsigned long>(status));
  const std::wstring text = WideFrom1252(FormatLineSettings(settings));
  status = RegSetValueExW(key, WideFrom1252(device).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) throw WindowsError(static_cast<unsigned long>(status));
}

CommConfigStore& SystemCommConfigStore() {
  static RegistryConfigStore store(L"Software\\Korvalesen\\Serial");
  return store;
}

}  // namespace korvalesen::platform
