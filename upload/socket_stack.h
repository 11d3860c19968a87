#pragma once

// The process-wide socket layer. The first component creates it, every component counts itself
// in and out, and the last one to go destroys it.

#include <string>
#include <string_view>

namespace korvalesen {

class TIdStack {
 public:
  TIdStack(const TIdStack&) = delete;
  TIdStack& operator=(const TIdStack&) = delete;

  // "LOCALHOST" in any case gives "127.0.0.1", a dotted address is returned unchanged, any
  // other name goes to the system's name service (first IPv4 address); a failed lookup raises
  // EIdSocketError with the resolver's code.
  std::string LookUpHostAddress(const std::string& host) const;

 private:
  friend class TIdComponent;
  TIdStack() = default;
  ~TIdStack() = default;
  static void CountIn();
  static void CountOut();
};

// The socket layer while at least one component exists, otherwise nullptr.
TIdStack* SocketStack();

// Four parts separated by "." (the fourth being all the rest), each a decimal number 0 to 255
// without a leading zero.
bool IsDottedAddress(std::string_view text);

}  // namespace korvalesen
