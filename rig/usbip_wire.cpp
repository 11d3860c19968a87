#include "rig/usbip_wire.h"

#include <algorithm>
#include <stdexcept>

namespace korvalesen::rig {

namespace {

constexpr std::uint16_t kVersion = 0x0111;
constexpr std::uint16_t kOpRequestImport = 0x8003;
constexpr std::uint16_t kOpReplyImport = 0x0003;
constexpr std::uint32_t kCmdSubmit = 1;
constexpr std::uint32_t kCmdUnlink = 2;
constexpr std::uint32_t kRetSubmit = 3;
constexpr std::uint32_t kRetUnlink = 4;
constexpr std::size_t kBusidSize = 32;
constexpr std::size_t kPathSize = 256;
constexpr std::size_t kHeaderSize = 48;

std::uint32_t Read32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
  }
  return value;
}

std::uint16_t Read16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>((static_cast<std::uint8_t>(bytes[at]) << 8) |
                                    static_cast<std::uint8_t>(bytes[at + 1]));
}

void Put32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xff);
}

void Put16(std::string& out, std::uint16_t value) {
  out += static_cast<char>(value >> 8);
  out += static_cast<char>(value & 0xff);
}

void PutFixed(std::string& out, std::string_view text, std::size_t size) {
  std::string field(text.substr(0, size - 1));
  field.resize(size, '\0');
  out += field;
}

std::string FixedText(std::string_view bytes) {
  return std::string(bytes.substr(0, bytes.find('\0')));
}

}  // namespace

std::optional<Message> MessageReader::Next() {
  if (!imported_) {
    constexpr std::size_t kSize = 8 + kBusidSize;
    if (buffer_.size() < kSize) return std::nullopt;
    if (Read16(buffer_, 0) != kVersion || Read16(buffer_, 2) != kOpRequestImport) {
      throw std::runtime_error("usbip: expected an import request");
    }
    ImportRequest request{FixedText(std::string_view(buffer_).substr(8, kBusidSize))};
    buffer_.erase(0, kSize);
    imported_ = true;
    return request;
  }
  if (buffer_.size() < kHeaderSize) return std::nullopt;
  const std::uint32_t command = Read32(buffer_, 0);
  if (command == kCmdUnlink) {
    UnlinkCommand unlink{Read32(buffer_, 4), Read32(buffer_, 20)};
    buffer_.erase(0, kHeaderSize);
    return unlink;
  }
  if (command != kCmdSubmit) throw std::runtime_error("usbip: unknown command");
  SubmitCommand submit;
  submit.seqnum = Read32(buffer_, 4);
  submit.devid = Read32(buffer_, 8);
  submit.in = Read32(buffer_, 12) == 1;
  submit.endpoint = Read32(buffer_, 16);
  submit.length = Read32(buffer_, 24);
  if (Read32(buffer_, 36) != 0 && Read32(buffer_, 36) != 0xffffffff) {
    throw std::runtime_error("usbip: isochronous transfers are not supported");
  }
  std::copy_n(buffer_.begin() + 40, 8, reinterpret_cast<char*>(submit.setup.data()));
  const std::size_t out_size = submit.in ? 0 : submit.length;
  if (buffer_.size() < kHeaderSize + out_size) return std::nullopt;
  submit.out_data = buffer_.substr(kHeaderSize, out_size);
  buffer_.erase(0, kHeaderSize + out_size);
  return submit;
}

std::string ImportReply(const ExportedDevice& device) {
  std::string out;
  Put16(out, kVersion);
  Put16(out, kOpReplyImport);
  Put32(out, 0);
  PutFixed(out, "/sys/devices/usbip/" + device.busid, kPathSize);
  PutFixed(out, device.busid, kBusidSize);
  Put32(out, device.busnum);
  Put32(out, device.devnum);
  Put32(out, device.speed);
  Put16(out, device.vendor);
  Put16(out, device.product);
  Put16(out, device.bcd_device);
  out += '\0';  // class, subclass and protocol are the interface's
  out += '\0';
  out += '\0';
  out += static_cast<char>(device.configuration);
  out += '\1';  // one configuration
  out += static_cast<char>(device.interfaces);
  return out;
}

std::string SubmitReply(std::uint32_t seqnum, std::int32_t status, std::string_view in_data) {
  std::string out;
  Put32(out, kRetSubmit);
  Put32(out, seqnum);
  Put32(out, 0);  // devid, direction and endpoint are 0 in a return
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(status));
  Put32(out, static_cast<std::uint32_t>(in_data.size()));
  Put32(out, 0);  // start frame
  Put32(out, 0);  // no isochronous packets
  Put32(out, 0);  // error count
  out.append(8, '\0');
  out += in_data;
  return out;
}

std::string UnlinkReply(std::uint32_t seqnum, std::int32_t status) {
  std::string out;
  Put32(out, kRetUnlink);
  Put32(out, seqnum);
  out.append(12, '\0');
  Put32(out, static_cast<std::uint32_t>(status));
  out.append(24, '\0');
  return out;
}

std::string ImportRequestBytes(std::string_view busid) {
  std::string out;
  Put16(out, kVersion);
  Put16(out, kOpRequestImport);
  Put32(out, 0);
  PutFixed(out, busid, kBusidSize);
  return out;
}

}  // namespace korvalesen::rig
