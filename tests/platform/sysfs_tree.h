#pragma once

// A sysfs tree as the kernel lays it out for USB serial adapters, on-board UARTs and virtual
// ttys, built below a temporary directory (which is the working directory meanwhile).

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temporary_directory.h"

namespace korvalesen::testing {

class SysfsTree {
 public:
  std::filesystem::path Root() const { return directory_.path(); }

  // A USB device at bus path `port` (such as "1-2") with one interface per tty (empty: none);
  // `product_string` is its product attribute (none when empty).
  void UsbDevice(const std::string& port, const std::string& vendor, const std::string& product,
                 const std::string& serial, const std::vector<std::string>& ttys, bool acm = false,
                 const std::string& product_string = "") {
    namespace fs = std::filesystem;
    const fs::path device = Root() / "devices/pci0000:00/0000:00:14.0/usb1" / port;
    Attribute(device, "idVendor", vendor);
    Attribute(device, "idProduct", product);
    if (!serial.empty()) Attribute(device, "serial", serial);
    if (!product_string.empty()) Attribute(device, "product", product_string);
    Link(Root() / "bus/usb/devices" / port, device);
    for (std::size_t i = 0; i < std::max<std::size_t>(ttys.size(), 1); ++i) {
      const std::string name = port + ":1." + std::to_string(i);
      const fs::path interface = device / name;
      // Appended, not prefixed: GCC 12 at -O3 takes a prefix for an overlapping copy.
      std::string number = "0";
      number += std::to_string(i);
      Attribute(interface, "bInterfaceNumber", number);
      Link(Root() / "bus/usb/devices" / name, interface);
      if (i >= ttys.size() || ttys[i].empty()) continue;
      const fs::path tty =
          acm ? interface / "tty" / ttys[i] : interface / ttys[i] / "tty" / ttys[i];
      Attribute(tty, "dev", "188:0");
      Link(tty / "device", acm ? interface : interface / ttys[i]);
      Link(Root() / "class/tty" / ttys[i], tty);
    }
  }
  void Uart(const std::string& name, const std::string& type) {
    const std::filesystem::path tty = Root() / "devices/pnp0/00:04/tty" / name;
    Attribute(tty, "type", type);
    Link(tty / "device", Root() / "devices/pnp0/00:04");
    Link(Root() / "class/tty" / name, tty);
  }
  void VirtualTty(const std::string& name) {
    const std::filesystem::path tty = Root() / "devices/virtual/tty" / name;
    Attribute(tty, "dev", "4:1");
    Link(Root() / "class/tty" / name, tty);
  }

 private:
  void Attribute(const std::filesystem::path& dir, const std::string& name,
                 const std::string& value) {
    std::filesystem::create_directories(dir);
    std::ofstream(dir / name) << value << "\n";
  }
  void Link(const std::filesystem::path& link, const std::filesystem::path& target) {
    std::filesystem::create_directories(link.parent_path());
    std::filesystem::create_directory_symlink(target, link);
  }

  TemporaryWorkingDirectory directory_;
};

}  // namespace korvalesen::testing
