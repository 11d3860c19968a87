#pragma once

// The input/output error of a file the program writes itself (a log file): the system's text
// and its error code.

#include <string>
#include <utility>

#include "common/errors.h"

namespace korvalesen {

class EInOutError : public Error {
 public:
  EInOutError(int code, std::string message) : Error(std::move(message)), code_(code) {}
  int ErrorCode() const noexcept { return code_; }

 private:
  int code_;
};

}  // namespace korvalesen
