#include "platform/posix/exclusive_open.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>

#include <cerrno>
#include <optional>
#include <string_view>

#include "platform/posix/held_port.h"
#include "platform/posix/unique_fd.h"

namespace korvalesen::platform {

namespace {

std::optional<dev_t> CharacterDevice(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0 || !S_ISCHR(status.st_mode)) return std::nullopt;
  return status.st_rdev;
}

bool IsNumber(std::string_view name) {
  if (name.empty()) return false;
  for (const char c : name) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Whether a descriptor of any process that /proc lets us see refers to the device. Processes
// of other users stay hidden; the lock and the exclusive mode cover those that use them.
bool OpenInSomeProcess(dev_t device) {
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return false;
  bool found = false;
  while (!found) {
    const dirent* process = readdir(proc);
    if (process == nullptr) break;
    if (!IsNumber(process->d_name)) continue;
    const std::string fd_dir = std::string("/proc/") + process->d_name + "/fd";
    DIR* fds = opendir(fd_dir.c_str());
    if (fds == nullptr) continue;
    while (const dirent* fd = readdir(fds)) {
      if (!IsNumber(fd->d_name)) continue;
      const auto target = CharacterDevice(fd_dir + "/" + fd->d_name);
      if (target && *target == device) {
        found = true;
        break;
      }
    }
    closedir(fds);
  }
  closedir(proc);
  return found;
}

}  // namespace

bool TestOpenExclusive(const std::string& device_path) {
  // An earlier test open's descriptor would count as this process' own.
  ReleaseHeldPort();
  const auto device = CharacterDevice(device_path);
  if (!device || OpenInSomeProcess(*device)) return false;
  // Fails with EBUSY when someone holds the port in exclusive mode. Opened as the port opens
  // it, since the port takes this descriptor over (held_port.h).
  int refused = 0;
  UniqueFd fd = OpenExclusive(device_path, refused);
  if (!fd.Valid()) return false;
  // The kernel raised DTR and RTS at the open; the board reads DTR as its reset line. The
  // kept rate stays: a change from 0 to a rate would raise them again on an FTDI adapter.
  int lines = TIOCM_DTR | TIOCM_RTS;
  ioctl(fd.Get(), TIOCMBIC, &lines);  // a device without modem lines refuses; that is fine
  HoldPort(std::move(fd), device_path, *device);
  return true;
}

void KeepRateZero(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return;
  cfsetospeed(&t, B0);
  cfsetispeed(&t, B0);
  [[maybe_unused]] const int ignored = tcsetattr(fd, TCSANOW, &t);
}

int TakeExclusive(int fd) {
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK ? EBUSY : errno;
  if (ioctl(fd, TIOCEXCL) != 0) return errno;
  return 0;
}

UniqueFd OpenExclusive(const std::string& device_path, int& error) {
  UniqueFd fd(open(device_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) {
    error = errno;
    return fd;
  }
  if (const int refused = TakeExclusive(fd.Get()); refused != 0) {
    error = refused;
    fd.Reset();
  }
  return fd;
}

}  // namespace korvalesen::platform
