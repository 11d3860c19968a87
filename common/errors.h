#pragma once

// The base of every error that the program shows to the user, and the silent abort.

#include <exception>
#include <string>
#include <utility>

namespace korvalesen {

// An error with the text the user sees (Windows-1252). The component layers derive their own
// error classes from it; the exception display shows exactly this text.
class Error : public std::exception {
 public:
  explicit Error(std::string message) : message_(std::move(message)) {}

  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// Ends the running handler without any message (what an error handler asks for with caAbort).
class SilentAbort : public Error {
 public:
  SilentAbort() : Error("") {}
};

}  // namespace korvalesen
