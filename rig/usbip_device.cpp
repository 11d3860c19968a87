#include "rig/usbip_device.h"

#include <algorithm>
#include <cerrno>
#include <type_traits>

namespace korvalesen::rig {

std::string UsbipDevice::Handle(const Message& message, Clock::time_point now) {
  return std::visit(
      [&](const auto& m) -> std::string {
        using Kind = std::decay_t<decltype(m)>;
        if constexpr (std::is_same_v<Kind, ImportRequest>) {
          return ImportReply(chip_.Exported());
        } else if constexpr (std::is_same_v<Kind, SubmitCommand>) {
          return Submit(m, now);
        } else {
          return Unlink(m);
        }
      },
      message);
}

std::string UsbipDevice::Submit(const SubmitCommand& submit, Clock::time_point now) {
  if (submit.endpoint == 0) {
    const ControlReply reply = chip_.Control(submit.setup, submit.out_data, now);
    const std::string in_data = submit.in ? reply.data.substr(0, submit.length) : std::string();
    const std::string bytes = SubmitReply(submit.seqnum, reply.status, in_data);
    if (control_delay_.count() == 0) return bytes;
    controls_.push_back({submit.seqnum, now + control_delay_, bytes});
    return {};
  }
  if (submit.in) {
    bulk_in_.push_back({submit.seqnum, submit.length});
    return Poll(now);
  }
  chip_.BulkOut(submit.out_data, now);
  return SubmitReply(submit.seqnum, 0, {});
}

std::string UsbipDevice::Unlink(const UnlinkCommand& unlink) {
  const auto in = std::find_if(bulk_in_.begin(), bulk_in_.end(),
                               [&](const PendingIn& p) { return p.seqnum == unlink.victim; });
  const auto control = std::find_if(controls_.begin(), controls_.end(),
                                    [&](const HeldReply& h) { return h.seqnum == unlink.victim; });
  bool found = false;
  if (in != bulk_in_.end()) {
    bulk_in_.erase(in);
    found = true;
  } else if (control != controls_.end()) {
    controls_.erase(control);
    found = true;
  }
  if (found) ++unlinked_;
  return UnlinkReply(unlink.seqnum, found ? -ECONNRESET : 0);
}

std::string UsbipDevice::Poll(Clock::time_point now) {
  chip_.Pump();
  std::string out;
  while (!controls_.empty() && controls_.front().due <= now) {
    out += controls_.front().bytes;
    controls_.pop_front();
  }
  while (!bulk_in_.empty() && chip_.InDue(now) <= now) {
    const PendingIn in = bulk_in_.front();
    bulk_in_.pop_front();
    out += SubmitReply(in.seqnum, 0, chip_.TakeInPacket(in.length, now));
  }
  return out;
}

}  // namespace korvalesen::rig
