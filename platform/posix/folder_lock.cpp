#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace korvalesen::platform {

FileLock::~FileLock() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

LockResult FileLock::Take(const std::string& path) {
  if (handle_ >= 0) return LockResult::kTaken;
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return LockResult::kUnavailable;
  // flock belongs to the open file: a second open, in this process or another, is refused.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(fd);
    return error == EWOULDBLOCK ? LockResult::kHeldElsewhere : LockResult::kUnavailable;
  }
  handle_ = fd;
  return LockResult::kTaken;
}

}  // namespace korvalesen::platform
