#include "results/result_files.h"

#include <cstdio>
#include <string>

#include "common/result_file_names.h"
#include "results/config_file.h"
#include "results/fault_log_file.h"
#include "results/serial_version_file.h"
#include "results/text_file.h"

namespace korvalesen {

bool WriteResultFiles(const ConfigImage& image, const FaultTextTable& fault_texts,
                      WindowOperations& window) {
  if (!WriteConfigFile(image, window)) return false;
  if (!WriteFaultLog(image, fault_texts, window)) {
    DeleteResultFile(ConfigFileName);
    return false;
  }
  if (!WriteSerialVersionFile(image, window)) {
    DeleteResultFile(ConfigFileName);
    DeleteResultFile(FaultLogFileName);
    return false;
  }
  return true;
}

}  // namespace korvalesen
