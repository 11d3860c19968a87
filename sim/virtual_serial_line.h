#pragma once

// The virtual serial line: a null-modem pair whose near end is a comm device that the serial
// port opens by name (through VirtualDevices) and whose far end is this object, driven by
// tests and by the board simulator. Bytes go both ways, optionally paced at the line rate
// (10 bits a byte); the far end sets CTS, DSR, RI and RLSD and sees DTR and RTS; line errors
// and breaks can be injected; written bytes can be left pending (the far end does not take
// them); unplugging makes every later call fail as a removed device does.
//
// As a real adapter, it raises DTR and RTS for a moment at every open before the port drops
// them (the kernel does so at the open of a tty), and the far end sees every change of DTR
// with its time. Optionally it holds received bytes for a latency timer, as an FTDI chip does.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/comm_device.h"

namespace korvalesen::sim {

class VirtualSerialLine {
 public:
  explicit VirtualSerialLine(std::string name);
  ~VirtualSerialLine();
  VirtualSerialLine(const VirtualSerialLine&) = delete;
  VirtualSerialLine& operator=(const VirtualSerialLine&) = delete;

  const std::string& Name() const { return name_; }

  // The near end; EBUSY while open, ENOENT once unplugged.
  std::unique_ptr<platform::CommDevice> Open(const platform::OpenOptions& options);

  // Far end: bytes towards the port.
  void Send(std::string_view bytes);
  // Bytes sent but not yet arrived at the port (only with pacing or latency).
  std::size_t SendPending() const;
  // How many bytes the port takes now without overflowing its receive queue; no limit while
  // the near end is closed or gone, where bytes are lost anyway.
  std::size_t ReceiveRoom() const;
  // Far end: what the port wrote and the far end took, removed from the line.
  std::string TakeReceived();
  // The same, with the time the first of those bytes arrived at the far end: a board that a
  // busy machine wakes late still times its answer from the byte's arrival.
  struct ReceivedBytes {
    std::string bytes;
    std::chrono::steady_clock::time_point arrived;
  };
  ReceivedBytes TakeReceivedWithArrival();
  // Waits until the far end has taken at least `count` bytes; false on time-out.
  bool WaitReceived(std::size_t count, std::chrono::milliseconds timeout) const;

  // A count of what the far end can see change: DTR, RTS, the opening and closing of the
  // near end, bytes taken. WaitFarEnd returns once it differs from `seen`, or at `until`.
  std::uint64_t FarEndEvents() const;
  void WaitFarEnd(std::uint64_t seen, std::chrono::steady_clock::time_point until) const;

  // 10 bits a byte at the port's rate, both ways; towards the port, bytes that fall due
  // within 4 ms arrive together. Off by default: bytes move at once.
  void SetPacing(bool on);
  // Off: the far end takes nothing, so the port's writes stay pending.
  void SetTakesOutput(bool on);
  // Bytes towards the port reach it in bursts every `latency` (the FTDI latency timer: 16 ms
  // by default, 1 ms as our udev rule sets it); 0, the default here, passes them on at once.
  // Held bytes are the adapter's: a purge does not reach them.
  void SetLatency(std::chrono::milliseconds latency);
  // Whether DTR and RTS go up for a moment at every open (on by default, as on real ports).
  void SetOpenPulse(bool on);

  void SetCts(bool on);
  void SetDsr(bool on);
  void SetRing(bool on);
  void SetRlsd(bool on);
  bool Dtr() const;
  bool Rts() const;
  struct DtrChange {
    std::chrono::steady_clock::time_point at;
    bool on;
  };
  // The changes of DTR since the last call, in order, also those shorter than any sampling.
  std::vector<DtrChange> TakeDtrChanges();
  bool BreakSent() const;

  // Line errors as the error bits of the comm layer (kErrFrame, kErrParity, ...).
  void InjectLineErrors(std::uint32_t error_bits);
  void InjectBreak();
  // The errors arrive just after the port's next count that finds bytes waiting, so that the
  // read that follows it finds them.
  void InjectLineErrorsAtNextCount(std::uint32_t error_bits);

  void Unplug();
  bool IsOpen() const;
  int OpenCount() const;
  // The settings the port gave the line last.
  platform::LineSettings Settings() const;
  std::uint32_t EventMask() const;

  struct State;

 private:
  std::string name_;
  std::shared_ptr<State> state_;
};

// The devices a port can open by name: virtual lines, registered by the tests.
class VirtualDevices final : public platform::CommDeviceProvider {
 public:
  void Add(VirtualSerialLine& line);
  std::unique_ptr<platform::CommDevice> Open(const std::string& name,
                                             const platform::OpenOptions& options) override;

 private:
  std::mutex mutex_;
  std::map<std::string, VirtualSerialLine*> lines_;
};

}  // namespace korvalesen::sim
