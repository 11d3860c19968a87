#pragma once

// The program's one window: a status frame with the status line, the progress bar and the
// "Reset" lamp, and a port frame with the port list and the button "suchen". It only lays out
// its widgets, implements the window operations and forwards its events.

#include <QColor>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "app/program_services.h"
#include "board/board_link.h"
#include "results/fault_texts.h"
#include "serial/com_port.h"
#include "serial/com_signal.h"
#include "upload/ftp_client.h"

namespace korvalesen {

// Paints the "Reset" lamp in the colour its signal indicator gives.
class ResetPanelControl : public SignalControl {
 public:
  explicit ResetPanelControl(QLabel* panel) : panel_(panel) {}
  void SetColor(std::uint32_t bgr) override;

 private:
  QLabel* panel_;
};

class TMainForm : public QWidget, public BoardLinkWindow {
  Q_OBJECT

 public:
  explicit TMainForm(const ProgramServices& services = {});

  // The window operations of the readout stages.
  void EnableControls(bool enable) override;
  void SetStatusText(std::string_view text) override;
  void ShowErrorBox(std::string_view text) override;
  void ShowInfoBox(std::string_view text) override;
  void ProcessMessages() override;
  void SetProgress(int position) override;

  // The port list and the "Reset" lamp as the board link uses them.
  void ClearPortItems() override;
  void AddPortItem(const std::string& name) override;
  int PortItemCount() override;
  std::string PortItem(int index) override;
  void SelectPortItem(int index) override;
  std::string PortListText() override;
  void SetPortListText(const std::string& text) override;
  void EnableSearch() override;
  void SetResetPanelColor(std::uint32_t bgr) override;
  void RepaintResetPanel() override;

  // Builds the caption "LCD Konfiguration auslesen v..." from the program's version.
  void SetVersionCaption();

  // Timer1's handler, the readout sequence; set by the program entry.
  void SetTimer1Handler(std::function<void()> handler);

  // Members in declaration order; the children are owned by their Qt parents.
  QGroupBox* GroupBox3;
  QLabel* statusLabel;
  QProgressBar* ProgressBar;
  QLabel* ResetPanel;
  QGroupBox* GroupBox4;
  QComboBox* ComboBox;
  QPushButton* SuchenButton;
  QTimer* Timer1;
  QTimer* Timer2;  // inert: disabled, 30 ms, no handler, never touched

  // The fault texts, filled while the window is constructed.
  FaultTextTable FaultTexts;

  // The serial port to the board and its two indicators: ResetComSignal mirrors DSR on the
  // "Reset" lamp, ModeComSignal follows CTS. The port is declared first, so that the
  // indicators unhook from it before it goes.
  TComPort ComPort;
  ResetPanelControl ResetPanelLamp;
  TComSignal ResetComSignal;
  TComSignal ModeComSignal;
  // The FTP client of the upload.
  TIdFTP IdFTP1;
  // The bare name of the selected serial port, shown by the port's error handlers.
  std::string portName = "COM1";
  // What the board link works on: this window, the port, its DSR indicator and the systems.
  BoardLink boardLink;
  // Where the upload goes.
  UploadSettings uploadSettings;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void SuchenButtonClick();
  void ComboBoxChange();
  void Timer1Timer();
  void FormCloseQuery(bool& can_close);
  void ResetComSignalSignal(TComponent& sender);
  void ComPortError(TCustomComPort& port, const EComError& error, TComAction& action);
  void ComPortLineError(TComponent& sender, TLineErrors errors);
  void SetUpSerialComponents();
  void CentreOnScreen();

  float displayScale_ = 1.0f;
  std::function<void()> timer1Handler_;
};

}  // namespace korvalesen
