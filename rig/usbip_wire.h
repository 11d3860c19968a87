#pragma once

// The USB/IP messages of a device's side: the import request and its reply, then the URBs the
// importing host submits and unlinks, and their returns. All numbers travel big-endian; the
// setup packet of a control transfer travels as the USB bus carries it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace korvalesen::rig {

// What the import reply says about the device.
struct ExportedDevice {
  std::string busid;  // at most 31 characters
  std::uint32_t busnum = 1;
  std::uint32_t devnum = 2;
  std::uint32_t speed = 2;  // full speed
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  std::uint16_t bcd_device = 0;
  std::uint8_t configuration = 1;
  std::uint8_t interfaces = 1;
};

struct ImportRequest {
  std::string busid;
};

struct SubmitCommand {
  std::uint32_t seqnum = 0;
  std::uint32_t devid = 0;
  bool in = false;
  std::uint32_t endpoint = 0;
  std::uint32_t length = 0;  // the buffer's length: what an IN transfer may return
  std::array<std::uint8_t, 8> setup{};
  std::string out_data;  // the bytes of an OUT transfer
};

struct UnlinkCommand {
  std::uint32_t seqnum = 0;
  std::uint32_t victim = 0;  // the seqnum of the submit to unlink
};

using Message = std::variant<ImportRequest, SubmitCommand, UnlinkCommand>;

// Cuts the byte stream of the importing host into messages: first the import request, then
// submits and unlinks. Throws std::runtime_error on what is none of them.
class MessageReader {
 public:
  void Feed(std::string_view bytes) { buffer_.append(bytes); }
  std::optional<Message> Next();

 private:
  std::string buffer_;
  bool imported_ = false;
};

std::string ImportReply(const ExportedDevice& device);
// The end of a submit: its status (0 or a negative errno) and, for IN, the bytes read.
std::string SubmitReply(std::uint32_t seqnum, std::int32_t status, std::string_view in_data);
// The status is -ECONNRESET when the submit was still pending, 0 when it had ended.
std::string UnlinkReply(std::uint32_t seqnum, std::int32_t status);

// The request the import starts with, as the importing side sends it.
std::string ImportRequestBytes(std::string_view busid);

}  // namespace korvalesen::rig
