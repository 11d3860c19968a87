#pragma once

// The whole job of the program in its fixed order, run by Timer1's first tick and again after
// each press of "suchen".

#include "app/main_form.h"
#include "board/config_image.h"
#include "common/process_end.h"

namespace korvalesen {

class ReadoutSequence {
 public:
  explicit ReadoutSequence(TMainForm& form) : form_(form) {}

  // Timer1's handler: disables Timer1, then runs the stages.
  void Run();

  // The status the process ends with when the user closes the window: the stage that failed
  // last (the port search as long as no board was read).
  ExitStatus StatusOnClose() const { return statusOnClose_; }

 private:
  TMainForm& form_;
  ExitStatus statusOnClose_ = ExitStatus::kPortSearch;
};

// Writes the three result files; when one cannot be written, the files before it have been
// deleted and the process ends with the status of the result files.
void WriteResultFilesOrEnd(const ConfigImage& image, const FaultTextTable& fault_texts,
                           WindowOperations& window);

}  // namespace korvalesen
