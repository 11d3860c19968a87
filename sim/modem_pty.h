#pragma once

// A pty whose slave answers the modem ioctls as a serial driver does: the modem lines
// (TIOCMGET, TIOCMBIS, TIOCMBIC) are held here, and the interrupt counters (TIOCGICOUNT) are
// answered but never count, as with the 8250 driver under CLOCAL or with cp210x. It records
// the calls the comm layer makes on the device, in order, and can hold up a reader between
// the kernel's read and the return to its caller, as a preempted thread is. Works in programs
// linked with korvalesen_modem_pty, which wraps ioctl, flock, tcsetattr and read; one at a
// time.

#include <chrono>
#include <string>
#include <vector>

namespace korvalesen::sim {

class ModemPty {
 public:
  // A new pty pair; its slave is not held open.
  ModemPty();
  ~ModemPty();
  ModemPty(const ModemPty&) = delete;
  ModemPty& operator=(const ModemPty&) = delete;

  // The slave's device path, and the master side, the far end of the line.
  const std::string& Name() const { return name_; }
  int Master() const { return master_; }
  // The far side's lines: TIOCM_CTS, TIOCM_DSR, TIOCM_RI, TIOCM_CD.
  void SetFarLines(int bits);
  // All lines, DTR and RTS included.
  int Lines() const;
  // "flock", "TIOCEXCL", "TIOCMBIS DTR", "TIOCMBIC DTR RTS", "tcsetattr raw" (or "tcsetattr
  // echo" when the line still echoes, "tcsetattr B0" when it sets the rate 0), "TIOCMGET",
  // "TIOCGICOUNT".
  std::vector<std::string> Calls() const;
  // Each read of the device that returns bytes is held this long before it returns.
  void DelayReads(std::chrono::milliseconds delay);
  // The reads of the device that returned bytes so far (counted before the delay).
  int Reads() const;

 private:
  int master_ = -1;
  std::string name_;
};

}  // namespace korvalesen::sim
