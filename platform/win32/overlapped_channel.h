#pragma once

// One overlapped request at a time on a handle (a comm device's read, write or event wait).

#include <windows.h>

#include <atomic>

#include "platform/win32/system_error.h"

namespace korvalesen::platform {

// One overlapped request at a time, with a manual-reset event of its own. The system writes
// the OVERLAPPED (and the request's buffer) until the request has completed, also after a
// cancel or a purge, which return before it has: such a request is collected before either is
// reused or freed.
class OverlappedChannel {
 public:
  OverlappedChannel() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (event_ == nullptr) throw LastWindowsError();
  }
  ~OverlappedChannel() { CloseHandle(event_); }
  OverlappedChannel(const OverlappedChannel&) = delete;
  OverlappedChannel& operator=(const OverlappedChannel&) = delete;

  OVERLAPPED* Prepare() {
    overlapped_ = {};
    overlapped_.hEvent = event_;
    return &overlapped_;
  }
  // A started request: completed at once, pending, or failed.
  void Started(BOOL done) {
    if (!done && GetLastError() != ERROR_IO_PENDING) throw LastWindowsError();
    outstanding_.store(true);
  }
  bool Done(HANDLE device) {
    DWORD moved = 0;
    if (!GetOverlappedResult(device, &overlapped_, &moved, FALSE) &&
        GetLastError() == ERROR_IO_INCOMPLETE) {
      return false;
    }
    outstanding_.store(false);
    return true;  // ended, perhaps with an error, which Wait reports
  }
  // The bytes moved; an aborted request (a purge, a change of the event mask) ends with what
  // it moved so far.
  DWORD Wait(HANDLE device) {
    DWORD moved = 0;
    const BOOL ok = GetOverlappedResult(device, &overlapped_, &moved, TRUE);
    const DWORD code = GetLastError();
    outstanding_.store(false);
    if (!ok && code != ERROR_OPERATION_ABORTED) throw WindowsError(code);
    return moved;
  }
  // Ends the request from any thread: CancelIoEx reaches a request of another thread, which
  // CancelIo does not. Nothing pending (ERROR_NOT_FOUND) is no failure.
  void Cancel(HANDLE device) { CancelIoEx(device, &overlapped_); }
  // Waits for the end of a request that is still outstanding, whatever its result.
  void Collect(HANDLE device) {
    if (!outstanding_.exchange(false)) return;
    DWORD moved = 0;
    GetOverlappedResult(device, &overlapped_, &moved, TRUE);
  }
  void CancelAndCollect(HANDLE device) {
    if (!outstanding_.load()) return;
    Cancel(device);
    Collect(device);
  }

 private:
  HANDLE event_;
  OVERLAPPED overlapped_{};
  std::atomic<bool> outstanding_{false};
};

}  // namespace korvalesen::platform
