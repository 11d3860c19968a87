#pragma once

// A lock file that one process at a time can hold: the run's claim on its working folder.
// The system releases it when the holder ends, however it ends.

#include <cstdint>
#include <string>

namespace korvalesen::platform {

enum class LockResult { kTaken, kHeldElsewhere, kUnavailable };

class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();

  // Opens or creates the file (a Windows-1252 path) and locks it for this object.
  // kHeldElsewhere when another holder has it; kUnavailable when the file cannot be opened
  // (a folder that is not writable), so that no lock can be had.
  LockResult Take(const std::string& path);

 private:
  std::intptr_t handle_ = -1;
};

}  // namespace korvalesen::platform
