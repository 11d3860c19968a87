#include "app/readout_sequence.h"

#include "results/result_files.h"

namespace korvalesen {

void ReadoutSequence::Run() {
  form_.Timer1->stop();
  // The board link's stages join here: until then no board is read.
}

void WriteResultFilesOrEnd(const ConfigImage& image, const FaultTextTable& fault_texts,
                           WindowOperations& window) {
  if (!WriteResultFiles(image, fault_texts, window)) EndProcess(ExitStatus::kResultFiles);
}

}  // namespace korvalesen
