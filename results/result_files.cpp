#include "results/result_files.h"

#include <string>

#include "common/result_file_names.h"
#include "results/config_file.h"
#include "results/fault_log_file.h"
#include "results/serial_version_file.h"
#include "results/text_file.h"

namespace korvalesen {

std::optional<Readout> WriteResultFiles(const ConfigImage& image, const FaultTextTable& fault_texts,
                                        WindowOperations& window) {
  Readout readout{image.serialNumber.substr(0, image.serialNumber.find('\0')), {}};
  readout.files.resize(3);
  if (!WriteConfigFile(image, window, &readout.files[0].bytes)) return std::nullopt;
  if (!WriteFaultLog(image, fault_texts, window, &readout.files[1].bytes)) {
    DeleteResultFile(ConfigFileName);
    return std::nullopt;
  }
  if (!WriteSerialVersionFile(image, window, &readout.files[2].bytes)) {
    DeleteResultFile(ConfigFileName);
    DeleteResultFile(FaultLogFileName);
    return std::nullopt;
  }
  for (std::size_t i = 0; i < readout.files.size(); ++i) {
    readout.files[i].name = kResultFileNames[i];
  }
  return readout;
}

}  // namespace korvalesen
