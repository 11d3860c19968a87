#pragma once

// A stand-in for the main window (or, with a base class, for more of it) that records what the
// stages asked of it: every call in order as one line each ("status:<text>", "error:<text>",
// "pump", ...), and the boxes, status texts and progress positions on their own.

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "common/window_operations.h"

namespace korvalesen::testing {

template <class Base = WindowOperations>
class RecordingWindowOf : public Base {
 public:
  struct Box {
    std::string caption;  // "Fehler" or "Information"
    std::string text;
    bool operator==(const Box&) const = default;
    friend void PrintTo(const Box& box, std::ostream* out) {
      *out << box.caption << ": " << box.text;
    }
  };

  void EnableControls(bool enable) override {
    enabled_states.push_back(enable);
    calls.push_back(enable ? "enable" : "disable");
  }
  void SetStatusText(std::string_view text) override {
    status_texts.emplace_back(text);
    calls.push_back("status:" + std::string(text));
  }
  void ShowErrorBox(std::string_view text) override {
    boxes.push_back({"Fehler", std::string(text)});
    calls.push_back("error:" + std::string(text));
  }
  void ShowInfoBox(std::string_view text) override {
    boxes.push_back({"Information", std::string(text)});
    calls.push_back("info:" + std::string(text));
  }
  void ProcessMessages() override {
    ++processed_messages;
    calls.push_back("pump");
  }
  void SetProgress(int position) override {
    progress.push_back(position);
    calls.push_back("progress:" + std::to_string(position));
  }

  std::vector<std::string> calls;
  std::vector<bool> enabled_states;
  std::vector<std::string> status_texts;
  std::vector<Box> boxes;
  std::vector<int> progress;
  int processed_messages = 0;
};

using RecordingWindow = RecordingWindowOf<>;

}  // namespace korvalesen::testing
