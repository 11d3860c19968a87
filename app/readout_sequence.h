#pragma once

// The whole job of the program in its fixed order, run by Timer1's first tick and again after
// each press of "suchen".

#include "app/main_form.h"
#include "board/config_image.h"
#include "common/process_end.h"
#include "common/readout.h"
#include "platform/folder_lock.h"

namespace korvalesen {

class ReadoutSequence {
 public:
  explicit ReadoutSequence(TMainForm& form) : form_(form) {}

  // Timer1's handler: disables Timer1, locks the working folder, finds the board's port, reads
  // the board, closes the port, writes the three result files, uploads them and ends the
  // process. After a failed port search it returns and the window waits for the user; an error
  // leaving a stage leaves the window open too. A call while it runs (from a handler inside one
  // of its waits) does nothing; a close of the window ends it at its next processing of
  // messages.
  void Run();

  // The status the process ends with when the user closes the window: the stage that failed
  // last; the port search as long as no board was read and the user closed the window first.
  ExitStatus StatusOnClose() const { return statusOnClose_; }

  // The board's data, complete once the board has been read.
  const ConfigImage& Image() const { return image_; }

 private:
  void RunStages(ExitStatus& stage);

  TMainForm& form_;
  ConfigImage image_;
  platform::FileLock folderLock_;
  bool boardRead_ = false;
  ExitStatus statusOnClose_ = ExitStatus::kPortSearch;
};

// The lock file in the working folder that a run holds from the port search to its end.
inline constexpr char WorkingFolderLockName[] = "korvalesen.lock";

// Takes the working folder's lock; when another copy of the program holds it, says so in a box
// and ends the process with status 1, having touched nothing. A folder where no lock file can
// be made goes on without one (the result files then report the folder).
void LockWorkingFolderOrEnd(platform::FileLock& lock, WindowOperations& window);

// Deletes result files a killed run left half written, sets unsent result files of an earlier
// run aside, then writes the three result files and returns them as written; when the old files
// cannot be set aside (they stay untouched) or a new one cannot be written (the files before it
// have been deleted), the process ends with the status of the result files.
Readout WriteResultFilesOrEnd(const ConfigImage& image, const FaultTextTable& fault_texts,
                              WindowOperations& window);

}  // namespace korvalesen
