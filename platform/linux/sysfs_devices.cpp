#include "platform/linux/sysfs_devices.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <optional>

#include "common/windows1252.h"
#include "platform/posix/exclusive_open.h"

namespace korvalesen::platform {

namespace fs = std::filesystem;

namespace {

// The first line of a sysfs attribute, without its line feed and surrounding blanks; empty
// when the attribute is missing.
std::string ReadAttribute(const fs::path& file) {
  std::ifstream in(file);
  std::string value;
  std::getline(in, value);
  const auto first = value.find_first_not_of(" \t\r");
  const auto last = value.find_last_not_of(" \t\r");
  return first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
}

std::vector<std::string> DirectoryNames(const fs::path& directory) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
  return names;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The ttys below a USB interface: usb-serial ports (interface/ttyUSB0/tty/ttyUSB0) and
// CDC-ACM ports (interface/tty/ttyACM0).
std::vector<std::string> InterfaceTtys(const fs::path& interface_dir) {
  std::vector<std::string> ttys;
  for (const std::string& child : DirectoryNames(interface_dir)) {
    if (child == "tty") {
      for (const std::string& tty : DirectoryNames(interface_dir / "tty")) ttys.push_back(tty);
    } else if (child.rfind("tty", 0) == 0 && fs::exists(interface_dir / child / "tty" / child)) {
      ttys.push_back(child);
    }
  }
  return ttys;
}

constexpr std::string_view kFtdiVendor = "0403";
constexpr std::string_view kAdapterProduct = "6001";

std::string FtdiDeviceName(const std::string& vendor, const std::string& product,
                           const std::string& serial_and_letter) {
  return "FTDIBUS#VID_" + Upper(vendor) + "+PID_" + Upper(product) + "+" + serial_and_letter +
         "#0000#{86e0d1e0-8089-11d0-9ce4-08003e301f73}";
}

// The product string of the USB device that the tty belongs to (empty when it has none), or
// nullopt for a port that is not on USB. The tty's device is the usb-serial port below the USB
// interface, or the interface itself (CDC-ACM); the USB device is the first directory above it
// with an idVendor.
std::optional<std::string> UsbProduct(const fs::path& root, const fs::path& tty) {
  std::error_code error;
  const fs::path top = fs::canonical(root, error);
  if (error) return std::nullopt;
  fs::path dir = fs::canonical(tty / "device", error);
  if (error) return std::nullopt;
  for (; dir != top && dir != dir.parent_path(); dir = dir.parent_path()) {
    if (fs::exists(dir / "idVendor", error)) return ReadAttribute(dir / "product");
  }
  return std::nullopt;
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const bool digit_a = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
    const bool digit_b = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
    if (digit_a && digit_b) {
      std::size_t end_a = i;
      std::size_t end_b = j;
      while (end_a < a.size() && std::isdigit(static_cast<unsigned char>(a[end_a]))) ++end_a;
      while (end_b < b.size() && std::isdigit(static_cast<unsigned char>(b[end_b]))) ++end_b;
      const std::string_view run_a = a.substr(i, end_a - i);
      const std::string_view run_b = b.substr(j, end_b - j);
      const auto strip = [](std::string_view run) {
        return run.substr(std::min(run.find_first_not_of('0'), run.size() - 1));
      };
      const std::string_view number_a = strip(run_a);
      const std::string_view number_b = strip(run_b);
      if (number_a.size() != number_b.size()) return number_a.size() < number_b.size();
      if (number_a != number_b) return number_a < number_b;
      i = end_a;
      j = end_b;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

SysfsDevices::SysfsDevices(fs::path sysfs_root) : root_(std::move(sysfs_root)) {}

std::vector<std::string> SysfsDevices::SerialPortNames() {
  std::vector<std::string> ports;
  const fs::path class_tty = root_ / "class" / "tty";
  for (const std::string& name : DirectoryNames(class_tty)) {
    const fs::path tty = class_tty / name;
    std::error_code error;
    if (!fs::exists(tty / "device", error)) continue;  // consoles, ptys
    // The 8250 driver registers ports without hardware; their UART type is 0.
    if (fs::exists(tty / "type", error) && ReadAttribute(tty / "type") == "0") continue;
    ports.push_back(name);
  }
  return ports;
}

std::vector<std::string> SysfsDevices::SerialPortFriendlyNames() {
  std::vector<std::string> names;
  for (const std::string& port : SerialPortNames()) {
    const auto product = UsbProduct(root_, root_ / "class" / "tty" / port);
    std::string text = !product           ? "Serial port"
                       : product->empty() ? "USB serial port"
                                          : Utf8ToW1252(*product);
    names.push_back(text + " (" + port + ")");
  }
  return names;
}

std::vector<SysfsDevices::UsbInterface> SysfsDevices::UsbInterfaces() const {
  std::vector<UsbInterface> interfaces;
  const fs::path devices = root_ / "bus" / "usb" / "devices";
  for (const std::string& name : DirectoryNames(devices)) {
    if (name.find(':') == std::string::npos) continue;  // a USB device, not an interface
    std::error_code error;
    const fs::path interface_dir = fs::canonical(devices / name, error);
    if (error) continue;
    const fs::path device_dir = interface_dir.parent_path();
    UsbInterface usb;
    usb.vendor = ReadAttribute(device_dir / "idVendor");
    usb.product = ReadAttribute(device_dir / "idProduct");
    usb.serial = ReadAttribute(device_dir / "serial");
    const std::string number = ReadAttribute(interface_dir / "bInterfaceNumber");
    unsigned index = 0;
    std::from_chars(number.data(), number.data() + number.size(), index, 16);
    usb.letter = static_cast<char>('A' + std::min(index, 25u));
    usb.ttys = InterfaceTtys(interface_dir);
    if (usb.vendor.empty()) continue;
    interfaces.push_back(std::move(usb));
  }
  return interfaces;
}

std::vector<std::string> SysfsDevices::DeviceNames() {
  std::vector<std::string> names;
  for (const UsbInterface& usb : UsbInterfaces()) {
    if (usb.vendor == kFtdiVendor) {
      names.push_back(FtdiDeviceName(usb.vendor, usb.product, usb.serial + usb.letter));
    } else if (!usb.ttys.empty()) {
      names.push_back("USB#VID_" + Upper(usb.vendor) + "&PID_" + Upper(usb.product) + "#" +
                      usb.serial + "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    }
  }
  for (std::string& port : SerialPortNames()) names.push_back(std::move(port));
  return names;
}

using platform::AdapterPortLookup;

AdapterPortLookup SysfsDevices::LookUpAdapterPort(std::string_view adapter_serial) {
  for (const UsbInterface& usb : UsbInterfaces()) {
    if (usb.vendor != kFtdiVendor || usb.product != kAdapterProduct) continue;
    if (usb.serial + usb.letter != adapter_serial) continue;
    if (usb.ttys.empty()) return {AdapterPortLookup::Outcome::kValueMissing, {}};
    return {AdapterPortLookup::Outcome::kFound, usb.ttys.front()};
  }
  return {AdapterPortLookup::Outcome::kKeyMissing, {}};
}

bool SysfsDevices::TestOpenExclusive(const std::string& device_path) {
  return platform::TestOpenExclusive(device_path);
}

std::string_view DevicePathPrefix() {
  return "/dev/";
}

DeviceNamespace& SystemDeviceNamespace() {
  static SysfsDevices devices;
  return devices;
}

}  // namespace korvalesen::platform
