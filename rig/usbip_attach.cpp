// korvalesen-usbip-attach HOST PORT VHCI_PORT: in the virtual machine, imports the device
// that the USB/IP server at HOST:PORT exports and hands the connection to the kernel's virtual
// host controller on VHCI_PORT, as a plug-in of the device. Exit status 0 once attached.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "rig/usbip_wire.h"

namespace {

bool ReadExactly(int fd, char* buffer, std::size_t size) {
  while (size > 0) {
    const ssize_t n = read(fd, buffer, size);
    if (n <= 0) return false;
    buffer += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::uint32_t Big32(const char* bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
         b[3];
}

int Fail(const char* what) {
  std::perror(what);
  return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s HOST PORT VHCI_PORT\n", argv[0]);
    return 2;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(std::atoi(argv[2])));
  if (inet_pton(AF_INET, argv[1], &address.sin_addr) != 1) return Fail("address");
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return Fail("socket");
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    return Fail("connect");
  }
  // Each URB is a small message that waits for its answer: without this the kernel's sends
  // wait for the acknowledgement of the one before (tens of milliseconds each).
  const int on = 1;
  if (setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) return Fail("nodelay");
  const std::string request = korvalesen::rig::ImportRequestBytes("1-1");
  if (write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
    return Fail("import request");
  }
  // The reply: version, code, status, then the device: path, bus id, bus and device number,
  // speed and the rest.
  char reply[8 + 312];
  if (!ReadExactly(fd, reply, sizeof reply)) return Fail("import reply");
  if (Big32(reply + 4) != 0) {
    std::fprintf(stderr, "import refused\n");
    return 1;
  }
  const char* device = reply + 8 + 256 + 32;
  const std::uint32_t devid = (Big32(device) << 16) | Big32(device + 4);
  const std::uint32_t speed = Big32(device + 8);
  FILE* attach = std::fopen("/sys/devices/platform/vhci_hcd.0/attach", "w");
  if (attach == nullptr) return Fail("vhci attach");
  std::fprintf(attach, "%s %d %u %u", argv[3], fd, devid, speed);
  if (std::fclose(attach) != 0) return Fail("vhci attach");
  return 0;
}
