#include "sim/modem_pty.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

extern "C" {
int __real_ioctl(int fd, unsigned long request, ...);
int __real_flock(int fd, int operation);
int __real_tcsetattr(int fd, int actions, const termios* t);
ssize_t __real_read(int fd, void* buffer, size_t count);
}

namespace korvalesen::sim {
namespace {

struct Fake {
  std::mutex mutex;
  std::optional<dev_t> device;
  int lines = 0;
  std::vector<std::string> calls;
  std::chrono::milliseconds read_delay{0};
  int reads = 0;
};

Fake& TheFake() {
  static Fake& fake = *new Fake;  // the wrappers may run while the process ends
  return fake;
}

bool IsFake(Fake& fake, int fd) {
  struct stat status {};
  return fake.device && fstat(fd, &status) == 0 && S_ISCHR(status.st_mode) &&
         status.st_rdev == *fake.device;
}

std::string LineNames(int bits) {
  std::string names;
  if ((bits & TIOCM_DTR) != 0) names += " DTR";
  if ((bits & TIOCM_RTS) != 0) names += " RTS";
  return names;
}

// The fake's answer, or nothing for a call it leaves to the system.
std::optional<int> Answer(int fd, unsigned long request, void* argument) {
  Fake& fake = TheFake();
  std::lock_guard lock(fake.mutex);
  if (!IsFake(fake, fd)) return std::nullopt;
  switch (request) {
    case TIOCMGET:
      fake.calls.emplace_back("TIOCMGET");
      *static_cast<int*>(argument) = fake.lines;
      return 0;
    case TIOCMBIS:
      fake.calls.push_back("TIOCMBIS" + LineNames(*static_cast<int*>(argument)));
      fake.lines |= *static_cast<int*>(argument) & (TIOCM_DTR | TIOCM_RTS);
      return 0;
    case TIOCMBIC:
      fake.calls.push_back("TIOCMBIC" + LineNames(*static_cast<int*>(argument)));
      fake.lines &= ~(*static_cast<int*>(argument) & (TIOCM_DTR | TIOCM_RTS));
      return 0;
    case TIOCGICOUNT:
      fake.calls.emplace_back("TIOCGICOUNT");
      *static_cast<serial_icounter_struct*>(argument) = {};
      return 0;
    case TIOCEXCL:
      fake.calls.emplace_back("TIOCEXCL");
      return std::nullopt;  // the pty takes it itself
    default:
      return std::nullopt;
  }
}

void Record(int fd, std::string call) {
  Fake& fake = TheFake();
  std::lock_guard lock(fake.mutex);
  if (IsFake(fake, fd)) fake.calls.push_back(std::move(call));
}

void AfterRead(int fd) {
  Fake& fake = TheFake();
  std::chrono::milliseconds delay{0};
  {
    std::lock_guard lock(fake.mutex);
    if (!IsFake(fake, fd)) return;
    ++fake.reads;
    delay = fake.read_delay;
  }
  std::this_thread::sleep_for(delay);
}

}  // namespace

ModemPty::ModemPty() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    throw std::runtime_error("no pty");
  }
  name_ = ptsname(master_);
  struct stat status {};
  if (stat(name_.c_str(), &status) != 0) throw std::runtime_error("no pty slave");
  Fake& fake = TheFake();
  std::lock_guard lock(fake.mutex);
  fake.device = status.st_rdev;
  fake.lines = 0;
  fake.calls.clear();
  fake.read_delay = {};
  fake.reads = 0;
}

ModemPty::~ModemPty() {
  {
    Fake& fake = TheFake();
    std::lock_guard lock(fake.mutex);
    fake.device.reset();
  }
  close(master_);
}

void ModemPty::SetFarLines(int bits) {
  Fake& fake = TheFake();
  std::lock_guard lock(fake.mutex);
  fake.lines = (fake.lines & (TIOCM_DTR | TIOCM_RTS)) | bits;
}

int ModemPty::Lines() const {
  Fake& fake = TheFake();
  std::lock_guard lock(fake.mutex);
  return fake.lines;
}

std::vector<std::string> ModemPty::Calls() const {
  Fake& fake = TheFake();
  std::lock_guard lock(fake.mutex);
  return fake.calls;
}

void ModemPty::DelayReads(std::chrono::milliseconds delay) {
  Fake& fake = TheFake();
  std::lock_guard lock(fake.mutex);
  fake.read_delay = delay;
}

int ModemPty::Reads() const {
  Fake& fake = TheFake();
  std::lock_guard lock(fake.mutex);
  return fake.reads;
}

}  // namespace korvalesen::sim

extern "C" {

int __wrap_ioctl(int fd, unsigned long request, ...) {
  va_list arguments;
  va_start(arguments, request);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  if (const auto answer = korvalesen::sim::Answer(fd, request, argument)) return *answer;
  return __real_ioctl(fd, request, argument);
}

int __wrap_flock(int fd, int operation) {
  korvalesen::sim::Record(fd, "flock");
  return __real_flock(fd, operation);
}

ssize_t __wrap_read(int fd, void* buffer, size_t count) {
  const ssize_t got = __real_read(fd, buffer, count);
  if (got > 0) korvalesen::sim::AfterRead(fd);
  return got;
}

int __wrap_tcsetattr(int fd, int actions, const termios* t) {
  korvalesen::sim::Record(fd, cfgetospeed(t) == B0       ? "tcsetattr B0"
                              : (t->c_lflag & ECHO) != 0 ? "tcsetattr echo"
                                                         : "tcsetattr raw");
  return __real_tcsetattr(fd, actions, t);
}
}
