#pragma once

// The program's one window as its logic: the serial port with its two indicators, Timer1, the
// FTP client, the handlers of the window's events and the window operations of the readout
// stages. It creates, paints and reads no widget itself; its view does that for it.

#include <functional>

#include "app/main_form_view.h"
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
  explicit ResetPanelControl(MainFormView& view) : view_(view) {}
  void SetColor(std::uint32_t bgr) override;

 private:
  MainFormView& view_;
};

// Timer1 as the logic holds it; the view runs it and raises Timer1Timer.
class TTimer {
 public:
  explicit TTimer(MainFormView& view) : view_(view) {}
  void SetInterval(int milliseconds) { view_.SetTimer1Interval(milliseconds); }
  void SetEnabled(bool enabled) { view_.SetTimer1Enabled(enabled); }
  bool Enabled() const { return view_.Timer1Enabled(); }

 private:
  MainFormView& view_;
};

// Created on a view whose widgets exist already, destroyed before it.
class TMainForm : public BoardLinkWindow, private MainFormEvents {
 public:
  explicit TMainForm(MainFormView& view, const ProgramServices& services = {});
  ~TMainForm() override;
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

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

  // Whether the window is still shown: false once the user has closed it.
  bool Showing() { return view_.Showing(); }

  // Timer1's handler, the readout sequence; set by the program entry.
  void SetTimer1Handler(std::function<void()> handler);

  // Marks the readout as running for its life. While it runs, its waits process the window's
  // messages, so the window's handlers may run inside it: "suchen", the port list and Timer1
  // then start nothing, and once the user has closed the window the next processing of
  // messages ends the run with the silent abort.
  class RunningReadout {
   public:
    explicit RunningReadout(TMainForm& form) : form_(form) {
      form_.readoutRunning_ = true;
      form_.adapterArrivedInRun_ = false;
      form_.waitingAfterFailedSearch_ = false;
    }
    ~RunningReadout() { form_.readoutRunning_ = false; }
    RunningReadout(const RunningReadout&) = delete;
    RunningReadout& operator=(const RunningReadout&) = delete;

   private:
    TMainForm& form_;
  };
  bool ReadoutRunning() const { return readoutRunning_; }

  // The readout returns after a failed port search and the window waits for the user. The
  // adapter's arrival now, or one during the search's box, starts the search 1 s later, as
  // "suchen" does; any other device and an arrival in a run that goes on change nothing.
  void PortSearchFailed();

  TTimer Timer1;

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
  // Screen pixels per inch / 96.
  float displayScale = 1.0f;

 private:
  // The handlers; an error leaving one is shown by the exception display.
  void SuchenButtonClick() override;
  void ComboBoxChange() override;
  void Timer1Timer() override;
  void FormCloseQuery(bool& can_close) override;
  void ResetComSignalSignal(TComponent& sender);
  void ComPortError(TCustomComPort& port, const EComError& error, TComAction& action);
  void ComPortLineError(TComponent& sender, TLineErrors errors);
  void ComPortDeviceArrival(TComponent& sender, const std::string& name);
  void SearchForArrivedAdapter();
  void SetUpSerialComponents();

  MainFormView& view_;
  std::function<void()> timer1Handler_;
  bool readoutRunning_ = false;
  bool closedByUser_ = false;
  bool adapterArrivedInRun_ = false;
  bool waitingAfterFailedSearch_ = false;
};

}  // namespace korvalesen
