#include "app/readout_sequence.h"

#include "board/dump_reader.h"
#include "board/port_discovery.h"
#include "results/result_files.h"
#include "results/unsent_results.h"
#include "upload/result_upload.h"

namespace korvalesen {

void ReadoutSequence::Run() {
  form_.Timer1.SetEnabled(false);
  if (form_.ReadoutRunning()) return;
  const TMainForm::RunningReadout running(form_);
  ExitStatus stage = ExitStatus::kPortSearch;
  try {
    RunStages(stage);
  } catch (...) {
    // A close by the user while the board is read makes the read fail; that still counts as
    // a window closed before the board was read.
    if (boardRead_ || form_.Showing()) statusOnClose_ = stage;
    throw;
  }
}

void ReadoutSequence::RunStages(ExitStatus& stage) {
  if (!FindBoardPort(form_.boardLink)) {
    form_.PortSearchFailed();
    return;
  }
  stage = ExitStatus::kBoardLink;
  ReadConfiguration(form_.boardLink, image_);
  form_.ComPort.SetActive(false);
  boardRead_ = true;
  stage = ExitStatus::kResultFiles;
  WriteResultFilesOrEnd(image_, form_.FaultTexts, form_);
  stage = ExitStatus::kUpload;
  const bool uploaded =
      UploadResults(form_, form_.IdFTP1, image_.serialNumber, form_.uploadSettings);
  EndProcess(uploaded ? ExitStatus::kSuccess : ExitStatus::kUpload);
}

void WriteResultFilesOrEnd(const ConfigImage& image, const FaultTextTable& fault_texts,
                           WindowOperations& window) {
  if (!SetAsideUnsentResults(window) || !WriteResultFiles(image, fault_texts, window)) {
    EndProcess(ExitStatus::kResultFiles);
  }
}

}  // namespace korvalesen
