#include "platform/win32/device_change_notices.h"

#include <dbt.h>

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/win32/code_page.h"
#include "platform/win32/system_error.h"
#include "platform/win32/win32_user_interface_loop.h"

namespace korvalesen::platform {

namespace {

// GUID_DEVINTERFACE_USB_DEVICE, the device interface class of USB devices.
constexpr GUID kUsbDeviceInterface = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

class DeviceChangeListener;
std::vector<DeviceChangeListener*>& Listeners() {
  static std::vector<DeviceChangeListener*> all;  // user-interface thread only
  return all;
}

class DeviceChangeListener final : public DeviceNoticeListener {
 public:
  DeviceChangeListener(HDEVNOTIFY registration, std::function<void()> may_be_waiting)
      : registration_(registration), may_be_waiting_(std::move(may_be_waiting)) {
    Listeners().push_back(this);
  }
  ~DeviceChangeListener() override {
    std::erase(Listeners(), this);
    UnregisterDeviceNotification(registration_);
  }
  DeviceChangeListener(const DeviceChangeListener&) = delete;
  DeviceChangeListener& operator=(const DeviceChangeListener&) = delete;

  std::vector<DeviceNotice> Take() override { return std::exchange(waiting_, {}); }

  void Add(const DeviceNotice& notice) {
    waiting_.push_back(notice);
    may_be_waiting_();
  }

 private:
  HDEVNOTIFY registration_;
  std::function<void()> may_be_waiting_;
  std::vector<DeviceNotice> waiting_;
};

class DeviceChangeNotices final : public DeviceNotices {
 public:
  std::unique_ptr<DeviceNoticeListener> Listen(std::function<void()> may_be_waiting) override {
    HWND window = UserInterfaceLoopWindow();
    if (window == nullptr) throw std::logic_error("no user-interface loop is installed");
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kUsbDeviceInterface;
    HDEVNOTIFY registration =
        RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (registration == nullptr) throw LastWindowsError();
    return std::make_unique<DeviceChangeListener>(registration, std::move(may_be_waiting));
  }
};

}  // namespace

std::optional<DeviceNotice> NoticeOfDeviceChange(WPARAM event, LPARAM record) {
  DeviceNotice notice;
  if (event == DBT_DEVICEARRIVAL) {
    notice.kind = DeviceNotice::Kind::kArrival;
  } else if (event == DBT_DEVICEREMOVECOMPLETE) {
    notice.kind = DeviceNotice::Kind::kRemoval;
  } else {
    return std::nullopt;
  }
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(record);
  if (header == nullptr) return std::nullopt;
  // The window is a Unicode one, so the records come with UTF-16 names.
  if (header->dbch_devicetype == DBT_DEVTYP_PORT) {
    notice.name = Windows1252From(reinterpret_cast<const DEV_BROADCAST_PORT_W*>(header)->dbcp_name);
  } else if (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
    notice.name = Windows1252From(
        reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header)->dbcc_name);
  } else {
    return std::nullopt;
  }
  return notice;
}

void PassDeviceChange(WPARAM event, LPARAM record) {
  const std::optional<DeviceNotice> notice = NoticeOfDeviceChange(event, record);
  if (!notice) return;
  // A copy: a listener may go while the others are told.
  const std::vector<DeviceChangeListener*> listeners = Listeners();
  for (DeviceChangeListener* listener : listeners) {
    if (std::ranges::find(Listeners(), listener) != Listeners().end()) listener->Add(*notice);
  }
}

DeviceNotices& SystemDeviceNotices() {
  static DeviceChangeNotices notices;
  return notices;
}

}  // namespace korvalesen::platform
