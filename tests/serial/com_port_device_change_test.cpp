// The port's device notices on Windows: WM_DEVICECHANGE messages sent to the user-interface
// loop's window (device interfaces, for which it is registered) or passed on by a top-level
// window (ports, which Windows broadcasts), as Windows would send them.

#include <windows.h>
// dbt.h needs the types of windows.h.
#include <dbt.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win32_user_interface_loop.h"
#include "serial/com_port.h"
#include "sim/recording_priority.h"
#include "sim/virtual_device_list.h"
#include "sim/virtual_serial_line.h"
#include "tests/support/pump.h"

namespace korvalesen {
namespace {

using namespace std::chrono_literals;

const wchar_t kFtdi[] = L"\\\\?\\USB#VID_0403&PID_6001#A123#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

// A record with its name after the fixed part, as Windows lays it out.
template <class Record>
std::vector<unsigned char> RecordOf(DWORD type, const wchar_t* name) {
  const std::size_t name_bytes = (std::wcslen(name) + 1) * sizeof(wchar_t);
  std::vector<unsigned char> bytes(sizeof(Record) + name_bytes, 0);
  auto* header = reinterpret_cast<DEV_BROADCAST_HDR*>(bytes.data());
  header->dbch_size = static_cast<DWORD>(bytes.size());
  header->dbch_devicetype = type;
  Record* record = reinterpret_cast<Record*>(bytes.data());
  if constexpr (std::is_same_v<Record, DEV_BROADCAST_PORT_W>) {
    std::memcpy(record->dbcp_name, name, name_bytes);
  } else {
    std::memcpy(record->dbcc_name, name, name_bytes);
  }
  return bytes;
}

LPARAM Param(std::vector<unsigned char>& record) {
  return reinterpret_cast<LPARAM>(record.data());
}

class ComPortDeviceChangeTest : public ::testing::Test {
 public:
  ComPortDeviceChangeTest()
      : names_({}, {}),
        port_(ComPortServices{&devices_, &names_, &priority_, &platform::SystemDeviceNotices()}) {}

  void OnArrival(TComponent&, const std::string& name) { calls_.push_back("arrival " + name); }
  void OnRemoved(TComponent&, const std::string& name) { calls_.push_back("removal " + name); }

  void SendToLoop(WPARAM event, std::vector<unsigned char>& record) {
    SendMessageW(platform::UserInterfaceLoopWindow(), WM_DEVICECHANGE, event, Param(record));
  }

  sim::VirtualDevices devices_;
  sim::VirtualDeviceList names_;
  sim::RecordingPriority priority_;
  TComPort port_;
  std::vector<std::string> calls_;
};

TEST_F(ComPortDeviceChangeTest, InterfaceAndPortRecordsReachTheHandlersWhenMessagesArePumped) {
  port_.SetOnDeviceArrival({this, &ComPortDeviceChangeTest::OnArrival});
  port_.SetOnDeviceRemoved({this, &ComPortDeviceChangeTest::OnRemoved});
  ASSERT_TRUE(port_.StartNotification()) << "the loop's window is registered";
  auto usb = RecordOf<DEV_BROADCAST_DEVICEINTERFACE_W>(DBT_DEVTYP_DEVICEINTERFACE, kFtdi);
  auto com = RecordOf<DEV_BROADCAST_PORT_W>(DBT_DEVTYP_PORT, L"COM7");
  auto volume = RecordOf<DEV_BROADCAST_PORT_W>(DBT_DEVTYP_VOLUME, L"");
  SendToLoop(DBT_DEVICEARRIVAL, usb);
  platform::PassDeviceChange(DBT_DEVICEARRIVAL, Param(com));
  // Not looked at: other events, other records.
  SendToLoop(DBT_DEVICEQUERYREMOVE, usb);
  SendToLoop(DBT_DEVICEREMOVEPENDING, com);
  SendToLoop(DBT_DEVICEARRIVAL, volume);
  SendToLoop(DBT_DEVNODES_CHANGED, volume);
  platform::PassDeviceChange(DBT_DEVICEREMOVECOMPLETE, Param(com));
  SendToLoop(DBT_DEVICEREMOVECOMPLETE, usb);
  EXPECT_TRUE(calls_.empty()) << "each notice is a posted call of its own";
  ASSERT_TRUE(PumpUntil([&] { return calls_.size() >= 4; }));
  PumpFor(30ms);
  const std::string ftdi =
      "\\\\?\\USB#VID_0403&PID_6001#A123#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
  EXPECT_EQ(calls_, (std::vector<std::string>{"arrival " + ftdi, "arrival COM7", "removal COM7",
                                              "removal " + ftdi}));

  // Stopped: a notice that was waiting and any later one are dropped.
  SendToLoop(DBT_DEVICEARRIVAL, usb);
  port_.SetOnDeviceArrival(nullptr);
  port_.SetOnDeviceRemoved(nullptr);
  SendToLoop(DBT_DEVICEARRIVAL, usb);
  PumpFor(30ms);
  EXPECT_EQ(calls_.size(), 4u);
}

}  // namespace
}  // namespace korvalesen
