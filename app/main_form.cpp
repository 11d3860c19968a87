#include "app/main_form.h"

#include <string>
#include <string_view>
#include <utility>

#include "app/version_caption.h"
#include "board/board_line.h"
#include "board/port_discovery.h"
#include "common/errors.h"
#include "common/exception_display.h"
#include "common/format_text.h"
#include "common/support_log.h"
#include "common/windows1252.h"
#include "platform/program_version.h"
#include "upload/result_upload.h"

namespace korvalesen {

// The view has built the widgets; the start-up steps follow in their order.
TMainForm::TMainForm(MainFormView& view, const ProgramServices& services)
    : Timer1(view),
      ComPort(services.serial),
      ResetPanelLamp(view),
      boardLink{*this,          ComPort,         ResetComSignal, *services.serial.names,
                *services.tone, *services.pause, portName},
      uploadSettings(services.upload),
      view_(view) {
  Timer1.SetInterval(1000);
  displayScale = DisplayScale(view_.ScreenPixelsPerInch());
  view_.SetOuterSize(OuterWindowSize(displayScale));
  SetUpSerialComponents();
  SetUpIdFTP1(IdFTP1);
  SetVersionCaption();
  FaultTexts = BuildFaultTexts();
  view_.SetEvents(this);
  Timer1.SetEnabled(true);
}

TMainForm::~TMainForm() {
  view_.SetEvents(nullptr);
}

void ResetPanelControl::SetColor(std::uint32_t bgr) {
  view_.SetResetPanelColor(bgr);
}

// The port's and the indicators' settings, in the order the window loads them:
// ResetComSignal hooks into the port before ModeComSignal.
void TMainForm::SetUpSerialComponents() {
  SetUpBoardLine(ComPort);
  ComPort.SetPriorityClass(pcRealTime);
  ComPort.SetOnError(TComErrorEvent(this, &TMainForm::ComPortError));
  ComPort.SetOnLineError(TLineErrorEvent(this, &TMainForm::ComPortLineError));
  ComPort.SetOnDeviceArrival(TDeviceArrivalEvent(this, &TMainForm::ComPortDeviceArrival));

  ResetComSignal.SetSignal(siDSR);
  ResetComSignal.SetDelay(10);
  ResetComSignal.SetControl(&ResetPanelLamp);
  ResetComSignal.SetOnSignal(TNotifyEvent(this, &TMainForm::ResetComSignalSignal));
  ResetComSignal.SetComPort(&ComPort);

  ModeComSignal.SetSignal(siCTS);
  ModeComSignal.SetDelay(10);
  ModeComSignal.SetComPort(&ComPort);
}

void TMainForm::ResetComSignalSignal(TComponent& /*sender*/) {
  ResetPanelLamp.SetColor(ResetComSignal.SignalValue() ? ResetComSignal.ColorOn()
                                                       : ResetComSignal.ColorOff());
}

void TMainForm::ComPortError(TCustomComPort& /*port*/, const EComError& /*error*/,
                             TComAction& action) {
  ShowErrorBox(FormatText("ComPortError:  %s !", portName.c_str()));
  action = caAbort;
}

namespace {

// The line errors by name, for the support log.
std::string LineErrorNames(TLineErrors errors) {
  static constexpr std::pair<TLineError, std::string_view> kNames[] = {
      {leBreak, "Break"},
      {leFrame, "Rahmen"},
      {leIO, "E/A"},
      {leOverrun, "Überlauf"_w1252},
      {leRxOverflow, "Empfangspuffer voll"},
      {leParity, "Parität"_w1252},
      {leTxFull, "Sendepuffer voll"}};
  std::string names;
  for (const auto& [error, name] : kNames) {
    if (!errors.Contains(error)) continue;
    if (!names.empty()) names += ", ";
    names.append(name);
  }
  return names.empty() ? "andere" : names;
}

}  // namespace

void TMainForm::ComPortLineError(TComponent& /*sender*/, TLineErrors errors) {
  LogEvent(FormatText("Leitungsfehler: %s", LineErrorNames(errors).c_str()));
  ShowErrorBox(FormatText("ComPortLineError:  %s !", portName.c_str()));
  ComPort.SetActive(false);
}

void TMainForm::ComPortDeviceArrival(TComponent& /*sender*/, const std::string& name) {
  if (!IsAdapterNotice(name)) return;
  if (readoutRunning_) {
    adapterArrivedInRun_ = true;
  } else if (waitingAfterFailedSearch_) {
    SearchForArrivedAdapter();
  }
}

void TMainForm::PortSearchFailed() {
  waitingAfterFailedSearch_ = true;
  if (adapterArrivedInRun_) SearchForArrivedAdapter();
}

void TMainForm::SearchForArrivedAdapter() {
  waitingAfterFailedSearch_ = false;
  adapterArrivedInRun_ = false;
  // Also after "Keinen ComPort auf dem PC gefunden!", which left all four disabled.
  EnableControls(true);
  SetStatusText("USB-Adapter erkannt, Suche startet"_w1252);
  Timer1.SetEnabled(false);
  Timer1.SetEnabled(true);
}

void TMainForm::SetVersionCaption() {
  view_.SetCaption(VersionCaption(ReadProgramVersion()));
}

void TMainForm::SetTimer1Handler(std::function<void()> handler) {
  timer1Handler_ = std::move(handler);
}

void TMainForm::EnableControls(bool enable) {
  view_.SetControlEnabled(MainFormControl::kResetPanel, enable);
  view_.SetControlEnabled(MainFormControl::kProgressBar, enable);
  view_.SetControlEnabled(MainFormControl::kSuchenButton, enable);
  view_.SetControlEnabled(MainFormControl::kComboBox, enable);
  view_.RepaintControl(MainFormControl::kComboBox);
}

void TMainForm::SetStatusText(std::string_view text) {
  view_.SetStatusLabelText(text);
  view_.RepaintControl(MainFormControl::kStatusLabel);
  ProcessMessages();
}

void TMainForm::ShowErrorBox(std::string_view text) {
  LogEvent("Meldung Fehler: " + std::string(text));
  view_.ShowBox(BoxKind::kError, "Fehler", text);
}

void TMainForm::ShowInfoBox(std::string_view text) {
  LogEvent("Meldung Information: " + std::string(text));
  view_.ShowBox(BoxKind::kInformation, "Information", text);
}

void TMainForm::ProcessMessages() {
  view_.ProcessMessages();
  if (readoutRunning_ && closedByUser_) throw SilentAbort();
}

void TMainForm::SetProgress(int position) {
  view_.SetProgressBarPosition(position);
}

void TMainForm::ClearPortItems() {
  view_.ClearComboBox();
}

void TMainForm::AddPortItem(const std::string& name) {
  view_.AddComboBoxItem(name);
}

int TMainForm::PortItemCount() {
  return view_.ComboBoxCount();
}

std::string TMainForm::PortItem(int index) {
  return view_.ComboBoxItem(index);
}

void TMainForm::SelectPortItem(int index) {
  view_.SetComboBoxIndex(index);
}

std::string TMainForm::PortListText() {
  return view_.ComboBoxText();
}

void TMainForm::SetPortListText(const std::string& text) {
  view_.SetComboBoxText(text);
}

void TMainForm::EnableSearch() {
  view_.SetControlEnabled(MainFormControl::kSuchenButton, true);
  view_.SetControlEnabled(MainFormControl::kComboBox, true);
  view_.RepaintControl(MainFormControl::kComboBox);
}

void TMainForm::SetResetPanelColor(std::uint32_t bgr) {
  ResetPanelLamp.SetColor(bgr);
}

void TMainForm::RepaintResetPanel() {
  view_.RepaintControl(MainFormControl::kResetPanel);
}

void TMainForm::ComboBoxChange() {
  if (readoutRunning_) return;
  try {
    korvalesen::ComboBoxChange(boardLink);
  } catch (...) {
    ShowCurrentException();
  }
}

void TMainForm::SuchenButtonClick() {
  // Enabling an armed timer changes nothing: the tick still comes after the first press.
  if (!readoutRunning_ && !Timer1.Enabled()) Timer1.SetEnabled(true);
}

void TMainForm::Timer1Timer() {
  try {
    if (timer1Handler_) {
      timer1Handler_();
    } else {
      Timer1.SetEnabled(false);
    }
  } catch (...) {
    ShowCurrentException();
  }
}

// Closing is always allowed; the port is closed first. A readout running below ends at its
// next processing of messages.
void TMainForm::FormCloseQuery(bool& /*can_close*/) {
  closedByUser_ = true;
  try {
    ComPort.SetActive(false);
  } catch (...) {
    ShowCurrentException();
  }
}

}  // namespace korvalesen
