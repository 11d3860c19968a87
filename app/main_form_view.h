#pragma once

// The main window's widgets as its logic sees them. A view creates the widgets from the layout
// (frames, status line, progress bar, "Reset" lamp, port list, button "suchen", Timer1), paints
// and reads them, shows the message boxes, pumps the messages and forwards the widgets' events
// to the logic. The logic never sees a toolkit type; Linux has a Qt view, Windows one of native
// controls.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/display_scale.h"

namespace korvalesen {

// The window's handlers, which the view raises from its widgets' events.
class MainFormEvents {
 public:
  // The button "suchen" was pressed.
  virtual void SuchenButtonClick() = 0;
  // The user picked an item of the port list; a selection made by the logic raises nothing.
  virtual void ComboBoxChange() = 0;
  // Timer1 ticked while enabled.
  virtual void Timer1Timer() = 0;
  // The user closes the window; it closes only when can_close is still true afterwards.
  virtual void FormCloseQuery(bool& can_close) = 0;

 protected:
  ~MainFormEvents() = default;
};

// The controls whose enabled state and immediate repaint the logic asks for.
enum class MainFormControl { kStatusLabel, kProgressBar, kResetPanel, kComboBox, kSuchenButton };

enum class BoxKind { kError, kInformation };

class MainFormView {
 public:
  virtual ~MainFormView() = default;

  // Where the widgets' events go from now on; nullptr drops them.
  virtual void SetEvents(MainFormEvents* events) = 0;

  // The window: the screen's pixels per inch, the outer size (frame included) it is given at
  // start, its caption, and whether it is still shown.
  virtual double ScreenPixelsPerInch() = 0;
  virtual void SetOuterSize(OuterSize size) = 0;
  virtual void SetCaption(std::string_view text) = 0;
  virtual bool Showing() = 0;
  // Closes the window as the user would, once the messages already queued have been processed.
  virtual void PostClose() = 0;

  virtual void SetControlEnabled(MainFormControl control, bool enabled) = 0;
  // Paints the control now, without waiting for the message loop.
  virtual void RepaintControl(MainFormControl control) = 0;

  virtual void SetStatusLabelText(std::string_view text) = 0;
  virtual void SetProgressBarPosition(int position) = 0;
  // The lamp's colour, 0x00BBGGRR; it keeps it while disabled.
  virtual void SetResetPanelColor(std::uint32_t bgr) = 0;

  // The port list: its items, the selected index and the text shown in it.
  virtual void ClearComboBox() = 0;
  virtual void AddComboBoxItem(std::string_view text) = 0;
  virtual int ComboBoxCount() = 0;
  virtual std::string ComboBoxItem(int index) = 0;
  virtual void SetComboBoxIndex(int index) = 0;
  virtual std::string ComboBoxText() = 0;
  virtual void SetComboBoxText(std::string_view text) = 0;

  // Beeps, then shows a modal box of the kind with the caption, the text and one "OK", centred
  // on the screen; returns once it has been confirmed.
  virtual void ShowBox(BoxKind kind, std::string_view caption, std::string_view text) = 0;
  // Processes the pending window messages once: input, paint and timer messages.
  virtual void ProcessMessages() = 0;

  // Timer1: raises Timer1Timer every interval while enabled; enabling it (re)starts the
  // interval.
  virtual void SetTimer1Interval(int milliseconds) = 0;
  virtual void SetTimer1Enabled(bool enabled) = 0;
  virtual bool Timer1Enabled() = 0;
};

}  // namespace korvalesen
