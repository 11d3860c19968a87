// The device namespace of Windows: the device names from QueryDosDevice, the serial-port map
// from the registry's SERIALCOMM key, the adapter's "PortName" under the FTDIBUS key, the
// ports' friendly names from the Ports device class, and the exclusive test open by CreateFile
// without sharing. Names pass through the W calls, converted from and to code page 1252.

#include <windows.h>
// After windows.h:
#include <devguid.h>
#include <setupapi.h>

#include <string>
#include <vector>

#include "platform/device_namespace.h"
#include "platform/win32/code_page.h"
#include "platform/win32/modem_lines.h"

namespace korvalesen::platform {
namespace {

// The strings of a list of strings ended by an empty one, as QueryDosDevice delivers them.
std::vector<std::string> SplitStringList(const std::wstring& list) {
  std::vector<std::string> names;
  for (std::size_t start = 0; start < list.size() && list[start] != L'\0';) {
    const std::size_t end = list.find(L'\0', start);
    names.push_back(Windows1252From(std::wstring_view(list).substr(start, end - start)));
    start = end + 1;
  }
  return names;
}

class RegistryKey {
 public:
  RegistryKey(HKEY root, const std::wstring& path) {
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  // A key from a call that gives INVALID_HANDLE_VALUE for none (SetupDiOpenDevRegKey).
  explicit RegistryKey(HKEY opened)
      : key_(opened == static_cast<HKEY>(INVALID_HANDLE_VALUE) ? nullptr : opened) {}
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  bool IsOpen() const { return key_ != nullptr; }
  HKEY Get() const { return key_; }

  // A value of string type, or nothing.
  bool ReadString(const wchar_t* name, std::wstring& text) const {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
      return false;
    }
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS) {
      return false;
    }
    data.resize(size / sizeof(wchar_t));
    while (!data.empty() && data.back() == L'\0') data.pop_back();
    text = data;
    return true;
  }

 private:
  HKEY key_ = nullptr;
};

// The friendly name of the port in the Ports device class whose "PortName" is port, or empty.
std::wstring PortFriendlyName(const std::wstring& port) {
  const HDEVINFO devices =
      SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return {};
  std::wstring friendly;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; friendly.empty() && SetupDiEnumDeviceInfo(devices, index, &device);
       ++index) {
    const RegistryKey parameters(
        SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ));
    std::wstring name;
    if (!parameters.IsOpen() || !parameters.ReadString(L"PortName", name) || name != port) {
      continue;
    }
    wchar_t text[256] = {};
    if (SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                          reinterpret_cast<BYTE*>(text), sizeof text - 2,
                                          nullptr)) {
      friendly = text;
    }
  }
  SetupDiDestroyDeviceInfoList(devices);
  return friendly;
}

class RegistryDevices final : public DeviceNamespace {
 public:
  std::vector<std::string> DeviceNames() override {
    // The list grows until it fits; Windows says ERROR_INSUFFICIENT_BUFFER while it does not.
    std::wstring list(16384, L'\0');
    for (;;) {
      const DWORD length = QueryDosDeviceW(nullptr, list.data(), static_cast<DWORD>(list.size()));
      if (length != 0) {
        list.resize(length);
        return SplitStringList(list);
      }
      if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || list.size() >= (1u << 24)) return {};
      list.resize(list.size() * 2);
    }
  }

  std::vector<std::string> SerialPortNames() override {
    std::vector<std::string> names;
    const RegistryKey map(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM");
    if (!map.IsOpen()) return names;
    // A value name has at most 16383 characters (the registry's limit), so this holds any.
    std::wstring value_name(16384, L'\0');
    for (DWORD index = 0;; ++index) {
      DWORD name_length = static_cast<DWORD>(value_name.size());
      DWORD type = 0;
      if (RegEnumValueW(map.Get(), index, value_name.data(), &name_length, nullptr, &type, nullptr,
                        nullptr) != ERROR_SUCCESS) {
        break;
      }
      std::wstring port;
      if (type == REG_SZ && map.ReadString(value_name.c_str(), port)) {
        names.push_back(Windows1252From(port));
      }
    }
    return names;
  }

  std::vector<std::string> SerialPortFriendlyNames() override {
    std::vector<std::string> names;
    for (const std::string& port : SerialPortNames()) {
      const std::wstring friendly = PortFriendlyName(WideFrom1252(port));
      names.push_back(friendly.empty() ? "Serial port (" + port + ")" : Windows1252From(friendly));
    }
    return names;
  }

  AdapterPortLookup LookUpAdapterPort(std::string_view adapter_serial) override {
    const RegistryKey parameters(HKEY_LOCAL_MACHINE,
                                 L"System\\CurrentControlSet\\Enum\\FTDIBUS\\VID_0403+PID_6001+" +
                                     WideFrom1252(adapter_serial) + L"\\0000\\Device Parameters");
    if (!parameters.IsOpen()) return {AdapterPortLookup::Outcome::kKeyMissing, {}};
    std::wstring port;
    if (!parameters.ReadString(L"PortName", port)) {
      return {AdapterPortLookup::Outcome::kValueMissing, {}};
    }
    return {AdapterPortLookup::Outcome::kFound, Windows1252From(port)};
  }

  bool TestOpenExclusive(const std::string& device_path) override {
    const HANDLE device = CreateFileW(WideFrom1252(device_path).c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) return false;
    // The driver raises DTR at the open, which would pulse the board's reset line.
    SetModemLines(device, false, false);
    CloseHandle(device);
    return true;
  }
};

}  // namespace

std::string_view DevicePathPrefix() {
  return "\\\\.\\";
}

DeviceNamespace& SystemDeviceNamespace() {
  static RegistryDevices devices;
  return devices;
}

}  // namespace korvalesen::platform
