#pragma once

// The window as the board link sees it: the recorder of the window operations with a port
// list and a "Reset" lamp that record what was done to them ("items:a,b", "select:1",
// "search", "lamp:<colour>", "lamp-repaint").

#include <string>
#include <vector>

#include "board/board_link.h"
#include "tests/support/recording_window.h"

namespace korvalesen::testing {

class RecordingBoardWindow : public RecordingWindowOf<BoardLinkWindow> {
 public:
  void ClearPortItems() override {
    items.clear();
    selected = -1;
    text.clear();
  }
  void AddPortItem(const std::string& name) override {
    items.push_back(name);
    std::string line = "items:";
    for (const std::string& item : items) line += (line.size() > 6 ? "," : "") + item;
    if (!calls.empty() && calls.back().starts_with("items:")) calls.pop_back();
    calls.push_back(line);
  }
  int PortItemCount() override { return static_cast<int>(items.size()); }
  std::string PortItem(int index) override { return items.at(static_cast<std::size_t>(index)); }
  void SelectPortItem(int index) override {
    selected = index;
    text = PortItem(index);
    calls.push_back("select:" + std::to_string(index));
  }
  std::string PortListText() override { return text; }
  void SetPortListText(const std::string& value) override { text = value; }
  void EnableSearch() override {
    search_enabled = true;
    calls.push_back("search");
  }
  void EnableControls(bool enable) override {
    RecordingWindowOf<BoardLinkWindow>::EnableControls(enable);
    search_enabled = enable;
  }
  void SetResetPanelColor(std::uint32_t bgr) override {
    lamp = bgr;
    calls.push_back("lamp:" + std::to_string(bgr));
  }
  void RepaintResetPanel() override { calls.push_back("lamp-repaint"); }

  std::vector<std::string> items;
  int selected = -1;
  std::string text;
  bool search_enabled = true;
  std::uint32_t lamp = 0;
};

}  // namespace korvalesen::testing
