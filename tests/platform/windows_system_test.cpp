// The taskbar identity, priorities, the refusal of a text that is no address by the sockets,
// the configuration store, the log's file append and its date and time text on Windows.

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shobjidl.h>

#include <string>

#include "platform/comm_device.h"
#include "platform/file_append.h"
#include "platform/local_time_text.h"
#include "platform/priority.h"
#include "platform/socket_api.h"
#include "platform/socket_error_codes.h"
#include "platform/win32/app_user_model_id.h"
#include "platform/win32/registry_config_store.h"
#include "tests/support/temporary_directory.h"

namespace korvalesen::platform {
namespace {

// The taskbar identity the process takes is the Start menu entry's. Wine keeps none (it answers
// E_NOTIMPL to the read), so there the case ends after the set; Windows 7 and later return
// the identity set, as SetCurrentProcessExplicitAppUserModelID's documentation gives it.
TEST(WindowsAppUserModelId, TheProcessTakesThatOfTheStartMenuEntry) {
  ASSERT_TRUE(SetProgramAppUserModelId());
  PWSTR id = nullptr;
  const HRESULT read = GetCurrentProcessExplicitAppUserModelID(&id);
  if (read == E_NOTIMPL) GTEST_SKIP() << "Wine keeps no AppUserModelID of a process";
  ASSERT_EQ(read, S_OK);
  EXPECT_EQ(std::wstring(id), L"Korvalesen.Korvalesen");
  CoTaskMemFree(id);
}

TEST(WindowsPriority, TheClassIsSetAndRestoredAndTheThreadLevelIsWindowsOwn) {
  Priority& priority = SystemPriority();
  const int saved = priority.SaveProcess();
  priority.SetProcessClass(ProcessClass::kHigh);
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
  priority.RestoreProcess(saved);
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(saved));

  priority.SetThread(priority.CurrentThread(), 2);
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_HIGHEST);
  priority.SetThread(priority.CurrentThread(), 0);
}

TEST(WindowsConfigStore, RecordsLoadBackPerDeviceNameAndFailuresCarryWindowsCodes) {
  const wchar_t* key = L"Software\\KorvalesenTest\\Serial";
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KorvalesenTest");
  RegistryConfigStore store(key);
  EXPECT_EQ(store.Load("COM3"), std::nullopt);

  LineSettings unusual;
  unusual.baud_rate = 250000;
  unusual.parity = ParityCode::kSpace;
  unusual.event_char = '\xFF';
  store.Save("COM3", unusual);
  store.Save("\\Device\\Ger\xE4t", LineSettings{});  // any name is one value of its own
  EXPECT_EQ(store.Load("COM3"), unusual);
  EXPECT_EQ(store.Load("\\Device\\Ger\xE4t"), LineSettings{});

  const std::wstring foreign = L"speed=9600";
  HKEY opened = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, &opened), ERROR_SUCCESS);
  RegSetValueExW(opened, L"COM4", 0, REG_SZ, reinterpret_cast<const BYTE*>(foreign.c_str()),
                 static_cast<DWORD>((foreign.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(opened);
  try {
    store.Load("COM4");
    ADD_FAILURE() << "a foreign record loaded";
  } catch (const SysError& error) {
    EXPECT_EQ(error.Code(), ERROR_INVALID_DATA);
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KorvalesenTest");
}

TEST(WindowsFileAppend, AppendsToAFileNamedInWindows1252AndReportsAMissingFolder) {
  testing::TemporaryWorkingDirectory directory;
  const std::string name = "Protokoll\xFC.log";  // "Protokollü.log"
  AppendToFile(name, "eins\r\n");
  AppendToFile(name, "zwei\r\n");
  EXPECT_EQ(testing::ReadFileBytes(directory.path() / L"Protokoll\u00FC.log"), "eins\r\nzwei\r\n");

  try {
    AppendToFile("fehlt\\x.log", "x");
    ADD_FAILURE() << "no error for a missing folder";
  } catch (const SysError& error) {
    EXPECT_EQ(error.Code(), ERROR_PATH_NOT_FOUND);
    EXPECT_STRNE(error.what(), "");
  }
}

TEST(WindowsLocalTime, IsTheDateAndTheTimeWithTheYear) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const std::string text = LocalDateTimeText();
  const auto blank = text.find(' ');
  ASSERT_NE(blank, std::string::npos) << text;
  EXPECT_NE(text.substr(0, blank).find(std::to_string(now.wYear % 100)), std::string::npos) << text;
  EXPECT_NE(text.find(':', blank), std::string::npos) << text;
}

// A text that is no dotted address is refused with 10022 before the system sees it, on both
// ends of a connection, instead of becoming the address whose bits inet_addr returns for it.
TEST(WindowsSockets, ATextThatIsNoAddressIsAnInvalidArgument) {
  ASSERT_EQ(StartSocketLibrary().outcome, SocketStartup::kStarted);
  const SocketCall socket = OpenStreamSocket();
  ASSERT_FALSE(socket.Failed());
  const auto native = static_cast<NativeSocket>(socket.value);
  EXPECT_EQ(BindSocket(native, "127.0.0.x").error, kWsaInvalidArgument);
  EXPECT_EQ(BeginConnect(native, "127.0.0.x", 21).error, kWsaInvalidArgument);
  ShutdownAndClose(native);
  StopSocketLibrary();
}

}  // namespace
}  // namespace korvalesen::platform
