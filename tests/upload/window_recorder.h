#pragma once

// Records what the upload does with the window, in order.

#include <string>
#include <string_view>
#include <vector>

#include "common/window_operations.h"

namespace korvalesen::testing {

class WindowRecorder : public WindowOperations {
 public:
  void EnableControls(bool enable) override { calls.push_back(enable ? "enable" : "disable"); }
  void SetStatusText(std::string_view text) override {
    calls.push_back("status:" + std::string(text));
  }
  void ShowErrorBox(std::string_view text) override {
    calls.push_back("error:" + std::string(text));
  }
  void ShowInfoBox(std::string_view text) override { calls.push_back("info:" + std::string(text)); }
  void ProcessMessages() override { calls.push_back("pump"); }
  void SetProgress(int position) override {
    calls.push_back("progress:" + std::to_string(position));
  }

  std::vector<std::string> calls;
};

}  // namespace korvalesen::testing
