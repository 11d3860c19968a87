#include "app/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QStyledItemDelegate>

#include "app/display_scale.h"
#include "app/message_boxes.h"
#include "app/program_icon.h"
#include "app/qt_text.h"
#include "app/version_caption.h"
#include "board/board_line.h"
#include "board/port_discovery.h"
#include "common/exception_display.h"
#include "common/format_text.h"
#include "platform/program_version.h"
#include "upload/result_upload.h"

namespace korvalesen {

namespace {

// The layout is designed in pixels at 96 pixels per inch; Qt scales it at other resolutions.
constexpr QSize kClientSize(574, 127);
const QColor kResetPanelGreen(0, 128, 0);

QFont PixelFont(const char* family, int pixel_size, bool bold = false) {
  QFont font(family);
  font.setPixelSize(pixel_size);
  font.setBold(bold);
  return font;
}

// The drop-down list's items are 18 pixels high.
class FixedHeightItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), 18};
  }
};

// The lamp keeps its colour while disabled, as only its text greys out.
void PaintPanel(QLabel* panel, const QColor& color) {
  QPalette palette = panel->palette();
  palette.setColor(QPalette::All, QPalette::Window, color);
  panel->setPalette(palette);
  panel->setAutoFillBackground(true);
}

void SetBackground(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, color);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

}  // namespace

TMainForm::TMainForm(const ProgramServices& services)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      GroupBox3(new QGroupBox("Status", this)),
      statusLabel(new QLabel(GroupBox3)),
      ProgressBar(new QProgressBar(GroupBox3)),
      ResetPanel(new QLabel("Reset", GroupBox3)),
      GroupBox4(new QGroupBox("Port", this)),
      ComboBox(new QComboBox(GroupBox4)),
      SuchenButton(new QPushButton("suchen", GroupBox4)),
      Timer1(new QTimer(this)),
      Timer2(new QTimer(this)),
      ComPort(services.serial),
      ResetPanelLamp(ResetPanel),
      boardLink{*this,          ComPort,         ResetComSignal, *services.serial.names,
                *services.tone, *services.pause, portName},
      uploadSettings(services.upload) {
  setFont(PixelFont("MS Sans Serif", 11));
  setWindowIcon(QIcon(QPixmap::fromImage(PaintProgramIcon())));
  setFixedSize(kClientSize);

  GroupBox3->setGeometry(16, 24, 353, 89);
  GroupBox3->setFont(PixelFont("Arial", 16));

  statusLabel->setGeometry(16, 64, 329, 18);
  SetBackground(statusLabel, Qt::white);

  ProgressBar->setGeometry(16, 32, 233, 25);
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  ProgressBar->setTextVisible(false);

  ResetPanel->setGeometry(264, 32, 73, 25);
  ResetPanel->setFont(PixelFont("Arial", 16, true));
  ResetPanel->setAlignment(Qt::AlignCenter);
  ResetPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  PaintPanel(ResetPanel, kResetPanelGreen);

  GroupBox4->setGeometry(384, 24, 177, 89);
  GroupBox4->setFont(PixelFont("Arial", 16));

  ComboBox->setGeometry(16, 24, 137, 26);
  ComboBox->setEditable(false);
  ComboBox->setFocusPolicy(Qt::NoFocus);
  ComboBox->setItemDelegate(new FixedHeightItemDelegate(ComboBox));
  // Raised only when the user picks an item, not when the search selects one.
  connect(ComboBox, &QComboBox::activated, this, [this] { ComboBoxChange(); });

  SuchenButton->setGeometry(16, 56, 137, 25);
  SuchenButton->setFocusPolicy(Qt::NoFocus);
  connect(SuchenButton, &QPushButton::clicked, this, [this] { SuchenButtonClick(); });

  Timer1->setInterval(1000);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  Timer2->setInterval(30);

  const QScreen* screen = QGuiApplication::primaryScreen();
  displayScale_ = DisplayScale(
      screen != nullptr ? screen->logicalDotsPerInch() * screen->devicePixelRatio() : 96.0);
  SetUpSerialComponents();
  SetUpIdFTP1(IdFTP1);
  SetVersionCaption();
  FaultTexts = BuildFaultTexts();
  Timer1->start();
}

void ResetPanelControl::SetColor(std::uint32_t bgr) {
  PaintPanel(panel_, QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                            static_cast<int>((bgr >> 16) & 0xFF)));
}

// The port's and the indicators' settings, in the order the window loads them:
// ResetComSignal hooks into the port before ModeComSignal.
void TMainForm::SetUpSerialComponents() {
  SetUpBoardLine(ComPort);
  ComPort.SetPriorityClass(pcRealTime);
  ComPort.SetOnError(TComErrorEvent(this, &TMainForm::ComPortError));
  ComPort.SetOnLineError(TLineErrorEvent(this, &TMainForm::ComPortLineError));

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

void TMainForm::ComPortLineError(TComponent& /*sender*/, TLineErrors /*errors*/) {
  ShowErrorBox(FormatText("ComPortLineError:  %s !", portName.c_str()));
  ComPort.SetActive(false);
}

void TMainForm::SetVersionCaption() {
  setWindowTitle(ToQString(VersionCaption(ReadProgramVersion())));
}

void TMainForm::SetTimer1Handler(std::function<void()> handler) {
  timer1Handler_ = std::move(handler);
}

void TMainForm::EnableControls(bool enable) {
  ResetPanel->setEnabled(enable);
  ProgressBar->setEnabled(enable);
  SuchenButton->setEnabled(enable);
  ComboBox->setEnabled(enable);
  ComboBox->repaint();
}

void TMainForm::SetStatusText(std::string_view text) {
  statusLabel->setText(ToQString(text));
  statusLabel->repaint();
  ProcessMessages();
}

void TMainForm::ShowErrorBox(std::string_view text) {
  ShowMessageBox(QMessageBox::Critical, "Fehler", text);
}

void TMainForm::ShowInfoBox(std::string_view text) {
  ShowMessageBox(QMessageBox::Information, "Information", text);
}

void TMainForm::ProcessMessages() {
  QCoreApplication::processEvents();
}

void TMainForm::SetProgress(int position) {
  ProgressBar->setValue(position);
}

void TMainForm::ClearPortItems() {
  ComboBox->clear();
}

void TMainForm::AddPortItem(const std::string& name) {
  ComboBox->addItem(ToQString(name));
}

int TMainForm::PortItemCount() {
  return ComboBox->count();
}

std::string TMainForm::PortItem(int index) {
  return FromQString(ComboBox->itemText(index));
}

void TMainForm::SelectPortItem(int index) {
  ComboBox->setCurrentIndex(index);
}

std::string TMainForm::PortListText() {
  return FromQString(ComboBox->currentText());
}

void TMainForm::SetPortListText(const std::string& text) {
  ComboBox->setCurrentText(ToQString(text));
}

void TMainForm::EnableSearch() {
  SuchenButton->setEnabled(true);
  ComboBox->setEnabled(true);
  ComboBox->repaint();
}

void TMainForm::SetResetPanelColor(std::uint32_t bgr) {
  ResetPanelLamp.SetColor(bgr);
}

void TMainForm::RepaintResetPanel() {
  ResetPanel->repaint();
}

void TMainForm::ComboBoxChange() {
  try {
    korvalesen::ComboBoxChange(boardLink);
  } catch (...) {
    ShowCurrentException();
  }
}

void TMainForm::SuchenButtonClick() {
  // Enabling an armed timer changes nothing: the tick still comes after the first press.
  if (!Timer1->isActive()) Timer1->start();
}

void TMainForm::Timer1Timer() {
  try {
    if (timer1Handler_) {
      timer1Handler_();
    } else {
      Timer1->stop();
    }
  } catch (...) {
    ShowCurrentException();
  }
}

// Closing is always allowed; the port is closed first.
void TMainForm::FormCloseQuery(bool& /*can_close*/) {
  ComPort.SetActive(false);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  bool can_close = true;
  try {
    FormCloseQuery(can_close);
  } catch (...) {
    ShowCurrentException();
  }
  event->setAccepted(can_close);
}

void TMainForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  CentreOnScreen();
}

// The client area keeps the layout's size; the window system draws the frame around it. The
// frame is centred on the screen: with the size the window system reports for it, or, before
// it has reported one, with the outer size of the layout at the display scale.
void TMainForm::CentreOnScreen() {
  const QScreen* screen = this->screen();
  if (screen == nullptr) return;
  QSize outer_size = frameGeometry().size();
  if (outer_size == size()) {
    const OuterSize outer = OuterWindowSize(displayScale_);
    const qreal ratio = devicePixelRatioF();
    outer_size =
        QSize(static_cast<int>(outer.width / ratio), static_cast<int>(outer.height / ratio));
  }
  const QPoint centre = screen->geometry().center();
  move(centre.x() - outer_size.width() / 2, centre.y() - outer_size.height() / 2);
}

}  // namespace korvalesen
