#include "platform/linux/uevent.h"

#include <charconv>
#include <cstdio>

namespace korvalesen::platform {

namespace {

using platform::DeviceNotice;

// The kernel's number of a USB vendor or product: up to four hex digits.
std::optional<unsigned> UsbId(std::string_view text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size() || text.empty() || value > 0xFFFF) {
    return std::nullopt;
  }
  return value;
}

std::optional<DeviceNotice::Kind> KindOf(std::string_view action) {
  if (action == "add") return DeviceNotice::Kind::kArrival;
  if (action == "remove") return DeviceNotice::Kind::kRemoval;
  return std::nullopt;
}

std::optional<std::string> UsbDeviceName(const Uevent& event) {
  // PRODUCT is "vendor/product/bcdDevice" in lower-case hex without leading zeros.
  const std::string_view product = event.Property("PRODUCT");
  const auto first = product.find('/');
  if (first == std::string_view::npos) return std::nullopt;
  const auto second = product.find('/', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const auto vendor_id = UsbId(product.substr(0, first));
  const auto product_id = UsbId(product.substr(first + 1, second - first - 1));
  const std::string_view devpath = event.devpath;
  const std::string_view place = devpath.substr(devpath.rfind('/') + 1);
  if (!vendor_id || !product_id || place.empty()) return std::nullopt;
  char ids[32];
  std::snprintf(ids, sizeof ids, "USB#VID_%04X&PID_%04X#", *vendor_id, *product_id);
  return ids + std::string(place) + "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
}

}  // namespace

std::string_view Uevent::Property(std::string_view key) const {
  const auto it = properties.find(key);
  return it == properties.end() ? std::string_view() : std::string_view(it->second);
}

std::optional<Uevent> ParseUevent(std::string_view datagram) {
  const std::string_view header = datagram.substr(0, datagram.find('\0'));
  const auto at = header.find('@');
  if (at == 0 || at == std::string_view::npos || at + 1 >= header.size() || header[at + 1] != '/') {
    return std::nullopt;
  }
  Uevent event;
  event.action = header.substr(0, at);
  event.devpath = header.substr(at + 1);
  std::size_t pos = header.size() + 1;
  while (pos < datagram.size()) {
    const auto end = std::min(datagram.find('\0', pos), datagram.size());
    const std::string_view item = datagram.substr(pos, end - pos);
    pos = end + 1;
    if (item.empty()) continue;
    const auto equals = item.find('=');
    if (equals == 0 || equals == std::string_view::npos) return std::nullopt;
    event.properties.insert_or_assign(std::string(item.substr(0, equals)),
                                      std::string(item.substr(equals + 1)));
  }
  if (event.Property("ACTION") != event.action || event.Property("DEVPATH") != event.devpath) {
    return std::nullopt;
  }
  return event;
}

std::optional<DeviceNotice> NoticeOf(const Uevent& event) {
  const auto kind = KindOf(event.action);
  if (!kind) return std::nullopt;
  const std::string_view subsystem = event.Property("SUBSYSTEM");
  if (subsystem == "tty") {
    const std::string_view name = event.Property("DEVNAME");
    if (name.empty() || event.devpath.starts_with("/devices/virtual/")) return std::nullopt;
    return DeviceNotice{*kind, std::string(name)};
  }
  if (subsystem == "usb" && event.Property("DEVTYPE") == "usb_device") {
    auto name = UsbDeviceName(event);
    if (!name) return std::nullopt;
    return DeviceNotice{*kind, std::move(*name)};
  }
  return std::nullopt;
}

}  // namespace korvalesen::platform
