#include "results/serial_version_file.h"

#include <string>

#include "common/result_file_names.h"
#include "results/text_file.h"

namespace korvalesen {

namespace {

// The value as the C string it is written as: up to the first NUL byte.
std::string_view AsText(const std::string& value) {
  return std::string_view(value).substr(0, value.find('\0'));
}

}  // namespace

bool WriteSerialVersionFile(const ConfigImage& image, WindowOperations& window,
                            std::string* contents) {
  return WriteResultFile(SerialVersionFileName, window, contents, [&](TextFile& file) {
    file.WriteLine(std::string("Seriennummer:   ").append(AsText(image.serialNumber)));
    file.WriteLine(std::string("Version:        ").append(AsText(image.versionText)));
  });
}

}  // namespace korvalesen
