#include "results/config_file.h"

#include <string>

#include "common/result_file_names.h"
#include "results/text_file.h"

namespace korvalesen {

bool WriteConfigFile(const ConfigImage& image, WindowOperations& window, std::string* contents) {
  return WriteResultFile(ConfigFileName, window, contents, [&](TextFile& file) {
    file.WriteLine(std::to_string(DumpControlCharacter));
    for (const std::int32_t value : image.settings) file.WriteLine(std::to_string(value));
  });
}

}  // namespace korvalesen
