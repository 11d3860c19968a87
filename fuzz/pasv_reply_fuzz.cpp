// The address of a 227 reply from arbitrary lines. A line either gives an address and a port
// that a data connection can use, or raises the conversion error naming a field of the line;
// blanks around the line change nothing, and the reply written back from the result parses to
// the same result.

#include <algorithm>
#include <string>

#include "common/windows1252.h"
#include "fuzz/property.h"
#include "upload/id_errors.h"
#include "upload/pasv_reply.h"

namespace korvalesen::fuzz {
namespace {

constexpr std::string_view kConvertErrorEnd = "' ist kein gültiger Integerwert"_w1252;

// The reply a server would send for the result, when its address fields hold no ".".
std::string WrittenBack(const PassiveAddress& passive) {
  std::string fields = passive.address;
  std::replace(fields.begin(), fields.end(), '.', ',');
  return "227 Entering Passive Mode (" + fields + "," + std::to_string(passive.port / 256) + "," +
         std::to_string(passive.port % 256) + ").";
}

void CheckAddress(std::string_view line, const PassiveAddress& passive) {
  Require(passive.port >= 0 && passive.port <= 65535, "a passive port is 0 to 65535");
  Require(passive.address.find(',') == std::string::npos, "the address holds no ','");
  if (std::count(passive.address.begin(), passive.address.end(), '.') != 3) return;
  std::string_view rest = passive.address;
  for (int i = 0; i < 4; ++i) {
    const auto dot = rest.find('.');
    Require(Contains(line, rest.substr(0, dot)), "the address fields come from the line");
    rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
  }
  const PassiveAddress again = ParsePassiveReply(WrittenBack(passive));
  Require(again.address == passive.address && again.port == passive.port,
          "the reply written back from the result gives the same result");
}

void CheckConvertError(std::string_view line, const EConvertError& error) {
  const std::string& message = error.Message();
  Require(message.size() >= kConvertErrorEnd.size() + 1 && message.front() == '\'' &&
              message.ends_with(kConvertErrorEnd),
          "the conversion error has its fixed text");
  const std::string_view field =
      std::string_view(message).substr(1, message.size() - 1 - kConvertErrorEnd.size());
  Require(field.find(',') == std::string_view::npos && Contains(line, field),
          "the conversion error names a field of the line");
}

// The result of the line, or the conversion error's message.
std::string Outcome(std::string_view line) {
  try {
    const PassiveAddress passive = ParsePassiveReply(line);
    CheckAddress(line, passive);
    return passive.address + ":" + std::to_string(passive.port);
  } catch (const EConvertError& error) {
    CheckConvertError(line, error);
    return error.Message();
  }
}

}  // namespace
}  // namespace korvalesen::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvalesen::fuzz;
  const std::string_view line = AsText(data, size);
  const std::string outcome = Outcome(line);
  Require(Outcome(" \t" + std::string(line) + "\r\n") == outcome,
          "blanks and line ends around the line change nothing");
  return 0;
}
