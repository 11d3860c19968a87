#pragma once

// The main window on Qt: lays out its widgets, paints and reads them, shows the message boxes
// and forwards the widgets' events to the window's logic.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "app/main_form_view.h"

namespace korvalesen {

class QtMainFormView : public QWidget, public MainFormView {
  Q_OBJECT

 public:
  QtMainFormView();

  void SetEvents(MainFormEvents* events) override;
  double ScreenPixelsPerInch() override;
  void SetOuterSize(OuterSize size) override;
  void SetCaption(std::string_view text) override;
  bool Showing() override;
  void PostClose() override;
  void SetControlEnabled(MainFormControl control, bool enabled) override;
  void RepaintControl(MainFormControl control) override;
  void SetStatusLabelText(std::string_view text) override;
  void SetProgressBarPosition(int position) override;
  void SetResetPanelColor(std::uint32_t bgr) override;
  void ClearComboBox() override;
  void AddComboBoxItem(std::string_view text) override;
  int ComboBoxCount() override;
  std::string ComboBoxItem(int index) override;
  void SetComboBoxIndex(int index) override;
  std::string ComboBoxText() override;
  void SetComboBoxText(std::string_view text) override;
  void ShowBox(BoxKind kind, std::string_view caption, std::string_view text) override;
  void ProcessMessages() override;
  void SetTimer1Interval(int milliseconds) override;
  void SetTimer1Enabled(bool enabled) override;
  bool Timer1Enabled() override;

  // The widgets in the layout's order; they are owned by their Qt parents.
  QGroupBox* GroupBox3;
  QLabel* statusLabel;
  QProgressBar* ProgressBar;
  QLabel* ResetPanel;
  QGroupBox* GroupBox4;
  QComboBox* ComboBox;
  QPushButton* SuchenButton;
  QTimer* Timer1;
  QTimer* Timer2;  // inert: disabled, 30 ms, no handler, never touched

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* Control(MainFormControl control) const;
  void CentreOnScreen();

  MainFormEvents* events_ = nullptr;
  OuterSize outerSize_;
};

}  // namespace korvalesen
