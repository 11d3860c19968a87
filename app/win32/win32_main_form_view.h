#pragma once

// The main window in native Windows controls: creates them from the layout, paints and reads
// them, shows the message boxes, runs the message loop and Timer1, and forwards the controls'
// events to the window's logic.

#include <windows.h>

#include "app/main_form_view.h"

namespace korvalesen {

class Win32MainFormView : public MainFormView {
 public:
  Win32MainFormView();
  ~Win32MainFormView() override;
  Win32MainFormView(const Win32MainFormView&) = delete;
  Win32MainFormView& operator=(const Win32MainFormView&) = delete;

  // Made at start: the resolution, the outer size, the caption; then the events go on.
  double ScreenPixelsPerInch() override;
  void SetOuterSize(OuterSize size) override;
  void SetCaption(std::string_view text) override;
  void SetEvents(MainFormEvents* events) override;

  // Timer1, a window timer.
  void SetTimer1Interval(int milliseconds) override;
  void SetTimer1Enabled(bool enabled) override;
  bool Timer1Enabled() override;

  // The status widgets and the controls' states.
  void SetStatusLabelText(std::string_view text) override;
  void SetProgressBarPosition(int position) override;
  void SetResetPanelColor(std::uint32_t bgr) override;
  void SetControlEnabled(MainFormControl control, bool enabled) override;
  void RepaintControl(MainFormControl control) override;

  // The drop-down list of ports: what it holds, then what changes it.
  int ComboBoxCount() override;
  std::string ComboBoxItem(int index) override;
  std::string ComboBoxText() override;
  void ClearComboBox() override;
  void AddComboBoxItem(std::string_view text) override;
  void SetComboBoxIndex(int index) override;
  void SetComboBoxText(std::string_view text) override;

  // The message pump, the boxes and the window's end.
  void ProcessMessages() override;
  void ShowBox(BoxKind kind, std::string_view caption, std::string_view text) override;
  bool Showing() override;
  void PostClose() override;

  // Shows the window where SetOuterSize has centred it.
  void Show();
  // Dispatches messages until the window has been closed.
  void RunMessageLoop();

  // The window and its controls in the layout's order. Timer1 is a window timer; Timer2 stays
  // inert and is therefore no timer of the system at all.
  HWND MainForm = nullptr;
  HWND GroupBox3 = nullptr;
  HWND statusLabel = nullptr;
  HWND ProgressBar = nullptr;
  HWND ResetPanel = nullptr;
  HWND GroupBox4 = nullptr;
  HWND ComboBox = nullptr;
  HWND SuchenButton = nullptr;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void CreateControls();
  void SetComboBoxClosedHeight(int height);
  HWND Control(MainFormControl control) const;
  int Scaled(int pixels) const;
  void CentreOnScreen();

  MainFormEvents* events_ = nullptr;
  int pixelsPerInch_ = 96;
  HFONT arial_ = nullptr;
  HFONT arialBold_ = nullptr;
  HBRUSH resetPanelBrush_ = nullptr;
  COLORREF resetPanelColor_ = 0;
  int timer1Interval_ = 1000;
  bool timer1Enabled_ = false;
};

}  // namespace korvalesen
