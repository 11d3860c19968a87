#pragma once

// The operations of the main window that the stages of the readout use. The window implements
// them on Qt; tests use a recorder.

#include <string_view>

namespace korvalesen {

class WindowOperations {
 public:
  virtual ~WindowOperations() = default;

  // Sets the enabled state of ResetPanel, ProgressBar, SuchenButton and ComboBox, in this
  // order, then repaints ComboBox at once. The group boxes and the status line keep theirs.
  virtual void EnableControls(bool enable) = 0;
  // Shows the text in the status line, repaints it and processes pending window messages.
  virtual void SetStatusText(std::string_view text) = 0;
  // Beeps, then shows a modal box with one "OK" ("Fehler" with the error icon, "Information"
  // with the information icon), centred on the screen; returns when the user confirmed it.
  virtual void ShowErrorBox(std::string_view text) = 0;
  virtual void ShowInfoBox(std::string_view text) = 0;
  // Processes the pending window messages once.
  virtual void ProcessMessages() = 0;
  // Position of the progress bar, 0 to 100.
  virtual void SetProgress(int position) = 0;
};

}  // namespace korvalesen
