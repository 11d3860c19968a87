// The device namespace of Windows over keys, values and device names that the tests write.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/device_namespace.h"
#include "tests/support/temporary_directory.h"

namespace korvalesen::platform {
namespace {

using ::testing::Contains;

const std::wstring kEnumKey = L"System\\CurrentControlSet\\Enum\\FTDIBUS\\VID_0403+PID_6001+";
const std::wstring kSerialComm = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

void WriteString(const std::wstring& path, const wchar_t* name, const std::wstring& text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  if (name != nullptr) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  RegCloseKey(key);
}

// A value name longer than any fixed buffer would hold (the registry allows 16383 characters).
std::wstring LongValueName() {
  return L"\\Device\\" + std::wstring(5000, L'K');
}

class RegistryDevicesTest : public ::testing::Test {
 protected:
  ~RegistryDevicesTest() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kEnumKey + L"K7A1B2A").c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kEnumKey + L"K7NOPORTA").c_str());
    HKEY map = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialComm.c_str(), 0, KEY_WRITE, &map) == 0) {
      RegDeleteValueW(map, L"\\Device\\KorvalesenTest");
      RegDeleteValueW(map, LongValueName().c_str());
      RegCloseKey(map);
    }
  }
  DeviceNamespace& devices_ = SystemDeviceNamespace();
};

TEST_F(RegistryDevicesTest, TheAdapterPortIsFoundOrItsKeyOrValueIsMissing) {
  WriteString(kEnumKey + L"K7A1B2A\\0000\\Device Parameters", L"PortName", L"COM\u00FC7");
  WriteString(kEnumKey + L"K7NOPORTA\\0000\\Device Parameters", nullptr, {});

  const AdapterPortLookup found = devices_.LookUpAdapterPort("K7A1B2A");
  EXPECT_EQ(found.outcome, AdapterPortLookup::Outcome::kFound);
  EXPECT_EQ(found.portName,
            "COM\xFC"
            "7");  // Windows-1252, whatever the ANSI code page
  EXPECT_EQ(devices_.LookUpAdapterPort("K7NOPORTA").outcome,
            AdapterPortLookup::Outcome::kValueMissing);
  EXPECT_EQ(devices_.LookUpAdapterPort("K7OTHERA").outcome,
            AdapterPortLookup::Outcome::kKeyMissing);
}

TEST_F(RegistryDevicesTest, ThePortMapGivesItsPortsWithANameForEach) {
  WriteString(kSerialComm, L"\\Device\\KorvalesenTest", L"COM42");
  const auto ports = devices_.SerialPortNames();
  EXPECT_THAT(ports, Contains("COM42"));
  const auto friendly = devices_.SerialPortFriendlyNames();
  ASSERT_EQ(friendly.size(), ports.size());
  // Wine's Ports class holds no device for a port of the map alone; Windows names it there.
  EXPECT_THAT(friendly, Contains("Serial port (COM42)"));
}

TEST_F(RegistryDevicesTest, ThePortMapReadsValuesOfLongNames) {
  WriteString(kSerialComm, LongValueName().c_str(), L"COM43");
  WriteString(kSerialComm, L"\\Device\\KorvalesenTest", L"COM42");
  EXPECT_THAT(devices_.SerialPortNames(), ::testing::IsSupersetOf({"COM42", "COM43"}));
}

// Wine 8 crashes in DefineDosDevice for a name of the adapter's form, so the adapter's entry
// cannot be made here; the search over the names is tested over the virtual device list.
TEST_F(RegistryDevicesTest, DeviceNamesHoldTheNamespaceRoot) {
  EXPECT_THAT(devices_.DeviceNames(), Contains("GLOBALROOT"));
}

TEST_F(RegistryDevicesTest, TheTestOpenSucceedsOnlyOnAFreeExistingDevice) {
  testing::TemporaryWorkingDirectory directory;
  const std::string path = (directory.path() / "device").string();
  EXPECT_FALSE(devices_.TestOpenExclusive(path));
  std::ofstream held(path);
  EXPECT_FALSE(devices_.TestOpenExclusive(path));
  held.close();
  EXPECT_TRUE(devices_.TestOpenExclusive(path));
}

TEST(DevicePath, IsTheBareNameBehindTheWin32DevicePrefix) {
  EXPECT_EQ(DevicePath("COM3"), "\\\\.\\COM3");
}

}  // namespace
}  // namespace korvalesen::platform
