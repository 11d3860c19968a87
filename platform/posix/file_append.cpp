#include "platform/file_append.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/errno_error.h"
#include "platform/posix/unique_fd.h"

namespace korvalesen::platform {

void AppendToFile(const std::string& path, std::string_view bytes) {
  UniqueFd fd(open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (!fd.Valid()) ThrowErrno(errno);
  while (!bytes.empty()) {
    const ssize_t n = write(fd.Get(), bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ThrowErrno(errno);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  // A failing close can be the first report of a failed write (a full disk over NFS).
  if (close(fd.Release()) != 0) ThrowErrno(errno);
}

}  // namespace korvalesen::platform
