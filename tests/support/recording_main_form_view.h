#pragma once

// A main window view without a toolkit: it keeps what the window's logic set on it (caption,
// outer size, texts, lamp colour, the port list, Timer1, which controls are enabled), records
// the boxes and repaints, and lets a test raise the widgets' events as a user would.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_form_view.h"

namespace korvalesen::testing {

class RecordingMainFormView : public MainFormView {
 public:
  struct Box {
    BoxKind kind;
    std::string caption;
    std::string text;
  };

  explicit RecordingMainFormView(double pixels_per_inch = 96) : pixelsPerInch_(pixels_per_inch) {}

  void SetEvents(MainFormEvents* events) override { events_ = events; }
  double ScreenPixelsPerInch() override { return pixelsPerInch_; }
  void SetOuterSize(OuterSize size) override { outer_size = size; }
  void SetCaption(std::string_view text) override { caption = text; }
  bool Showing() override { return showing; }
  void PostClose() override { ++posted_closes; }
  void SetControlEnabled(MainFormControl control, bool enabled) override {
    enabled_[control] = enabled;
  }
  void RepaintControl(MainFormControl control) override { repaints.push_back(control); }
  void SetStatusLabelText(std::string_view text) override { status_text = text; }
  void SetProgressBarPosition(int position) override { progress = position; }
  void SetResetPanelColor(std::uint32_t bgr) override { reset_panel_color = bgr; }
  void ClearComboBox() override {
    combo_items.clear();
    combo_index = -1;
  }
  void AddComboBoxItem(std::string_view text) override { combo_items.emplace_back(text); }
  int ComboBoxCount() override { return static_cast<int>(combo_items.size()); }
  std::string ComboBoxItem(int index) override {
    return combo_items.at(static_cast<std::size_t>(index));
  }
  void SetComboBoxIndex(int index) override { combo_index = index; }
  std::string ComboBoxText() override {
    return combo_index >= 0 && combo_index < ComboBoxCount()
               ? combo_items[static_cast<std::size_t>(combo_index)]
               : "";
  }
  void SetComboBoxText(std::string_view text) override {
    combo_index = -1;
    for (int i = 0; i < ComboBoxCount(); ++i) {
      if (combo_items[static_cast<std::size_t>(i)] == text) combo_index = i;
    }
  }
  void ShowBox(BoxKind kind, std::string_view box_caption, std::string_view text) override {
    boxes.push_back({kind, std::string(box_caption), std::string(text)});
  }
  void ProcessMessages() override { ++processed_messages; }
  void SetTimer1Interval(int milliseconds) override { timer1_interval = milliseconds; }
  void SetTimer1Enabled(bool enabled) override {
    timer1_enabled = enabled;
    if (enabled) ++timer1_starts;
  }
  bool Timer1Enabled() override { return timer1_enabled; }

  // A control is enabled until the logic disables it.
  bool Enabled(MainFormControl control) const {
    const auto found = enabled_.find(control);
    return found == enabled_.end() || found->second;
  }

  // The user's actions; nothing happens while the logic has not connected its events.
  void PressSuchen() {
    if (events_ != nullptr) events_->SuchenButtonClick();
  }
  void PickComboBoxItem(int index) {
    combo_index = index;
    if (events_ != nullptr) events_->ComboBoxChange();
  }
  void TickTimer1() {
    if (events_ != nullptr && timer1_enabled) events_->Timer1Timer();
  }
  // Returns whether the window may close.
  bool Close() {
    bool can_close = true;
    if (events_ != nullptr) events_->FormCloseQuery(can_close);
    return can_close;
  }
  bool Connected() const { return events_ != nullptr; }

  std::string caption;
  OuterSize outer_size;
  bool showing = true;
  int posted_closes = 0;
  std::vector<MainFormControl> repaints;
  std::string status_text;
  int progress = 0;
  std::uint32_t reset_panel_color = 0;
  std::vector<std::string> combo_items;
  int combo_index = -1;
  std::vector<Box> boxes;
  int processed_messages = 0;
  int timer1_interval = 0;
  bool timer1_enabled = false;
  int timer1_starts = 0;

 private:
  double pixelsPerInch_;
  MainFormEvents* events_ = nullptr;
  std::map<MainFormControl, bool> enabled_;
};

}  // namespace korvalesen::testing
