#pragma once

// A stand-in for the main window that records what the stages asked of it.

#include <string>
#include <string_view>
#include <vector>

#include "common/window_operations.h"

namespace korvalesen::testing {

class RecordingWindow : public WindowOperations {
 public:
  struct Box {
    std::string caption;  // "Fehler" or "Information"
    std::string text;
    bool operator==(const Box&) const = default;
  };

  void EnableControls(bool enable) override { enabled_states.push_back(enable); }
  void SetStatusText(std::string_view text) override { status_texts.emplace_back(text); }
  void ShowErrorBox(std::string_view text) override {
    boxes.push_back({"Fehler", std::string(text)});
  }
  void ShowInfoBox(std::string_view text) override {
    boxes.push_back({"Information", std::string(text)});
  }
  void ProcessMessages() override { ++processed_messages; }
  void SetProgress(int position) override { progress.push_back(position); }

  std::vector<bool> enabled_states;
  std::vector<std::string> status_texts;
  std::vector<Box> boxes;
  std::vector<int> progress;
  int processed_messages = 0;
};

}  // namespace korvalesen::testing
