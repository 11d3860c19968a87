#include "results/fault_log_file.h"

#include <string>

#include "common/result_file_names.h"
#include "results/text_file.h"

namespace korvalesen {

namespace {

std::string FaultLogLine(std::uint32_t seconds, std::string_view text) {
  const std::uint32_t rest_of_day = seconds % 86400;
  const std::uint32_t rest_of_hour = rest_of_day % 3600;
  std::string line;
  for (const std::uint32_t part :
       {seconds / 86400, rest_of_day / 3600, rest_of_hour / 60, rest_of_hour % 60}) {
    line += std::to_string(part);
    line += '\t';
  }
  line += text;
  return line;
}

}  // namespace

bool WriteFaultLog(const ConfigImage& image, const FaultTextTable& fault_texts,
                   WindowOperations& window, std::string* contents) {
  return WriteResultFile(FaultLogFileName, window, contents, [&](TextFile& file) {
    file.WriteLine("Tage\tStd\tMin\tSek\tFehler");
    file.WriteLine("");
    std::size_t index = 0;
    do {
      file.WriteLine(
          FaultLogLine(image.faultTimes[index], fault_texts.Text(image.faultNumbers[index])));
      ++index;
    } while (index < image.faultTimes.size() && image.faultTimes[index] != 0);
  });
}

}  // namespace korvalesen
