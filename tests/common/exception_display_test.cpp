#include "common/exception_display.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvalesen {
namespace {

class ExceptionDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetExceptionDisplay([this](const Error& error) { shown_.push_back(error.Message()); });
  }
  void TearDown() override { SetExceptionDisplay(nullptr); }

  std::vector<std::string> shown_;
};

TEST_F(ExceptionDisplayTest, ShowsErrorsButNotTheSilentAbort) {
  ShowException(Error("Verbindung abgelehnt."));
  ShowException(SilentAbort());
  EXPECT_EQ(shown_, std::vector<std::string>{"Verbindung abgelehnt."});
}

TEST_F(ExceptionDisplayTest, ShowsOtherExceptionsByWhatHappened) {
  try {
    throw std::runtime_error("not one of ours");
  } catch (...) {
    ShowCurrentException();
  }
  try {
    throw std::bad_alloc();
  } catch (...) {
    ShowCurrentException();
  }
  try {
    throw 7;
  } catch (...) {
    ShowCurrentException();
  }
  try {
    throw SilentAbort();
  } catch (...) {
    ShowCurrentException();
  }
  try {
    throw Error("Ordner");
  } catch (...) {
    ShowCurrentException();
  }
  EXPECT_EQ(shown_, (std::vector<std::string>{"Unerwarteter Fehler: not one of ours",
                                              "Zu wenig Arbeitsspeicher.", "Unerwarteter Fehler.",
                                              "Ordner"}));
}

}  // namespace
}  // namespace korvalesen
