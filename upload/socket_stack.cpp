#include "upload/socket_stack.h"

#include "platform/socket_api.h"
#include "upload/id_errors.h"
#include "upload/text_trim.h"

namespace korvalesen {
namespace {

TIdStack* stack_instance = nullptr;
int component_count = 0;

bool IsByteNumber(std::string_view part) {
  // A leading zero reads as octal to some parsers and is refused by others; such a part makes
  // the text a name for the resolver.
  if (part.empty() || part.size() > 3 || (part.size() > 1 && part[0] == '0')) return false;
  int value = 0;
  for (const char c : part) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value <= 255;
}

}  // namespace

void TIdStack::CountIn() {
  if (component_count == 0) {
    const platform::SocketLibraryStart start = platform::StartSocketLibrary();
    if (start.outcome == platform::SocketStartup::kLibraryMissing) {
      throw EIdStackCanNotLoadWinsock(start.library);
    }
    if (start.outcome == platform::SocketStartup::kStartFailed) {
      throw EIdStackInitializationFailed();
    }
    stack_instance = new TIdStack;
  }
  ++component_count;
}

void TIdStack::CountOut() {
  if (--component_count == 0) {
    delete stack_instance;
    stack_instance = nullptr;
    platform::StopSocketLibrary();
  }
}

TIdStack* SocketStack() {
  return stack_instance;
}

std::string TIdStack::LookUpHostAddress(const std::string& host) const {
  if (EqualsIgnoringCase(host, "LOCALHOST")) return "127.0.0.1";
  if (IsDottedAddress(host)) return host;
  const platform::HostLookup found = platform::LookUpIPv4(host);
  if (found.error != 0) throw EIdSocketError(found.error);
  return found.address;
}

bool IsDottedAddress(std::string_view text) {
  for (int part = 0; part < 3; ++part) {
    const auto dot = text.find('.');
    if (dot == std::string_view::npos || !IsByteNumber(text.substr(0, dot))) return false;
    text.remove_prefix(dot + 1);
  }
  return IsByteNumber(text);
}

}  // namespace korvalesen
