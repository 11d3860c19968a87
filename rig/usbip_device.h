#pragma once

// The device side of a USB/IP connection for one FT232R: answers the import, then each
// submitted URB - control transfers on endpoint 0, bulk OUT to the chip, bulk IN held until
// the chip has a packet due - and unlinks. Replies to control transfers can be held back for a
// fixed time, as a real bus takes about a frame for one.

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>

#include "rig/ft232r.h"
#include "rig/usbip_wire.h"

namespace korvalesen::rig {

class UsbipDevice {
 public:
  UsbipDevice(Ft232r& chip, std::chrono::microseconds control_delay)
      : chip_(chip), control_delay_(control_delay) {}

  // The bytes to send back for a message now (possibly none: the reply is held).
  std::string Handle(const Message& message, Clock::time_point now);
  // The replies that have fallen due.
  std::string Poll(Clock::time_point now);
  // Whether a reply is due at `now` or held for later.
  bool Holding() const { return !bulk_in_.empty() || !controls_.empty(); }
  // Unlinks that found their URB pending.
  int Unlinked() const { return unlinked_; }

 private:
  struct PendingIn {
    std::uint32_t seqnum;
    std::uint32_t length;
  };
  struct HeldReply {
    std::uint32_t seqnum;
    Clock::time_point due;
    std::string bytes;
  };

  std::string Submit(const SubmitCommand& submit, Clock::time_point now);
  std::string Unlink(const UnlinkCommand& unlink);

  Ft232r& chip_;
  std::chrono::microseconds control_delay_;
  std::deque<PendingIn> bulk_in_;
  std::deque<HeldReply> controls_;
  int unlinked_ = 0;
};

}  // namespace korvalesen::rig
