#include "app/readout_sequence.h"

#include "board/dump_reader.h"
#include "board/port_discovery.h"
#include "common/support_log.h"
#include "results/result_files.h"
#include "results/text_file.h"
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
    // The readout that failed to go out waits beside the earlier ones for the next run.
    if (stage == ExitStatus::kUpload) SetAsideUnsentResults(form_);
    throw;
  }
}

void ReadoutSequence::RunStages(ExitStatus& stage) {
  LockWorkingFolderOrEnd(folderLock_, form_);
  if (!FindBoardPort(form_.boardLink)) {
    form_.PortSearchFailed();
    return;
  }
  stage = ExitStatus::kBoardLink;
  ReadConfiguration(form_.boardLink, image_);
  form_.ComPort.SetActive(false);
  boardRead_ = true;
  stage = ExitStatus::kResultFiles;
  const Readout readout = WriteResultFilesOrEnd(image_, form_.FaultTexts, form_);
  stage = ExitStatus::kUpload;
  WaitingReadouts waiting = ListWaitingReadouts();
  LogEvent("Wartende Auslesungen: " + std::to_string(waiting.sendable.size()) + " zu senden, " +
           std::to_string(waiting.kept) + " ohne Seriennummer");
  const bool uploaded = UploadResults(form_, form_.IdFTP1, readout, form_.uploadSettings, &waiting);
  if (!uploaded) SetAsideUnsentResults(form_);
  EndProcess(uploaded ? ExitStatus::kSuccess : ExitStatus::kUpload);
}

void LockWorkingFolderOrEnd(platform::FileLock& lock, WindowOperations& window) {
  if (lock.Take(WorkingFolderLockName) != platform::LockResult::kHeldElsewhere) return;
  window.ShowErrorBox(
      "Korvalesen läuft in diesem Ordner bereits. Bitte warten, bis es beendet ist."_w1252);
  EndProcess(ExitStatus::kPortSearch);
}

Readout WriteResultFilesOrEnd(const ConfigImage& image, const FaultTextTable& fault_texts,
                              WindowOperations& window) {
  DeleteTemporaryResultFiles();
  std::optional<Readout> readout;
  if (!SetAsideUnsentResults(window) || !(readout = WriteResultFiles(image, fault_texts, window))) {
    EndProcess(ExitStatus::kResultFiles);
  }
  for (const ResultFile& file : readout->files) {
    LogEvent("Datei geschrieben: " + file.name + " (" + std::to_string(file.bytes.size()) +
             " Bytes)");
  }
  return std::move(*readout);
}

}  // namespace korvalesen
