#include "app/qt/qt_main_form_view.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QStyledItemDelegate>

#include "app/message_boxes.h"
#include "app/qt/qt_program_icon.h"
#include "app/qt/qt_text.h"
#include "app/window_layout.h"

namespace korvalesen {

namespace {

namespace layout = window_layout;

// The layout's lengths are at 96 pixels per inch; Qt scales them at other resolutions.
QRect Rect(const layout::Place& place) {
  return {place.left, place.top, place.width, place.height};
}

QFont PixelFont(const layout::Font& font) {
  QFont result(QString::fromLatin1(font.family.data(), static_cast<qsizetype>(font.family.size())));
  result.setPixelSize(font.pixel_height);
  result.setBold(font.bold);
  return result;
}

QColor ColorOf(std::uint32_t bgr) {
  return {static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
          static_cast<int>((bgr >> 16) & 0xFF)};
}

// The drop-down list's items have the layout's height.
class FixedHeightItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), layout::kComboBoxItemHeight};
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

QtMainFormView::QtMainFormView()
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      GroupBox3(new QGroupBox(ToQString(layout::kGroupBox3Caption), this)),
      statusLabel(new QLabel(GroupBox3)),
      ProgressBar(new QProgressBar(GroupBox3)),
      ResetPanel(new QLabel(ToQString(layout::kResetPanelCaption), GroupBox3)),
      GroupBox4(new QGroupBox(ToQString(layout::kGroupBox4Caption), this)),
      ComboBox(new QComboBox(GroupBox4)),
      SuchenButton(new QPushButton(ToQString(layout::kSuchenButtonCaption), GroupBox4)),
      Timer1(new QTimer(this)),
      Timer2(new QTimer(this)) {
  setFont(PixelFont(layout::kFormFont));
  setWindowIcon(QIcon(QPixmap::fromImage(ProgramIconQImage())));
  setFixedSize(layout::kClientSize.width, layout::kClientSize.height);

  GroupBox3->setGeometry(Rect(layout::kGroupBox3));
  GroupBox3->setFont(PixelFont(layout::kControlFont));

  statusLabel->setGeometry(Rect(layout::kStatusLabel));
  SetBackground(statusLabel, ColorOf(layout::kStatusLabelWhite));

  ProgressBar->setGeometry(Rect(layout::kProgressBar));
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  ProgressBar->setTextVisible(false);

  ResetPanel->setGeometry(Rect(layout::kResetPanel));
  ResetPanel->setFont(PixelFont(layout::kResetPanelFont));
  ResetPanel->setAlignment(Qt::AlignCenter);
  ResetPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  PaintPanel(ResetPanel, ColorOf(layout::kResetPanelGreen));

  GroupBox4->setGeometry(Rect(layout::kGroupBox4));
  GroupBox4->setFont(PixelFont(layout::kControlFont));

  ComboBox->setGeometry(Rect(layout::kComboBox));
  ComboBox->setEditable(false);
  ComboBox->setFocusPolicy(Qt::NoFocus);
  ComboBox->setItemDelegate(new FixedHeightItemDelegate(ComboBox));
  // Raised only when the user picks an item, not when the search selects one.
  connect(ComboBox, &QComboBox::activated, this, [this] {
    if (events_ != nullptr) events_->ComboBoxChange();
  });

  SuchenButton->setGeometry(Rect(layout::kSuchenButton));
  SuchenButton->setFocusPolicy(Qt::NoFocus);
  connect(SuchenButton, &QPushButton::clicked, this, [this] {
    if (events_ != nullptr) events_->SuchenButtonClick();
  });

  connect(Timer1, &QTimer::timeout, this, [this] {
    if (events_ != nullptr) events_->Timer1Timer();
  });
  Timer2->setInterval(30);
}

void QtMainFormView::SetEvents(MainFormEvents* events) {
  events_ = events;
}

double QtMainFormView::ScreenPixelsPerInch() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->logicalDotsPerInch() * screen->devicePixelRatio() : 96.0;
}

void QtMainFormView::SetOuterSize(OuterSize size) {
  outerSize_ = size;
}

void QtMainFormView::SetCaption(std::string_view text) {
  setWindowTitle(ToQString(text));
}

bool QtMainFormView::Showing() {
  return isVisible();
}

void QtMainFormView::PostClose() {
  QTimer::singleShot(0, this, &QWidget::close);
}

QWidget* QtMainFormView::Control(MainFormControl control) const {
  switch (control) {
    case MainFormControl::kStatusLabel:
      return statusLabel;
    case MainFormControl::kProgressBar:
      return ProgressBar;
    case MainFormControl::kResetPanel:
      return ResetPanel;
    case MainFormControl::kComboBox:
      return ComboBox;
    case MainFormControl::kSuchenButton:
      return SuchenButton;
  }
  return nullptr;
}

void QtMainFormView::SetControlEnabled(MainFormControl control, bool enabled) {
  Control(control)->setEnabled(enabled);
}

void QtMainFormView::RepaintControl(MainFormControl control) {
  Control(control)->repaint();
}

void QtMainFormView::SetStatusLabelText(std::string_view text) {
  statusLabel->setText(ToQString(text));
}

void QtMainFormView::SetProgressBarPosition(int position) {
  ProgressBar->setValue(position);
}

void QtMainFormView::SetResetPanelColor(std::uint32_t bgr) {
  PaintPanel(ResetPanel, ColorOf(bgr));
}

void QtMainFormView::ClearComboBox() {
  ComboBox->clear();
}

void QtMainFormView::AddComboBoxItem(std::string_view text) {
  ComboBox->addItem(ToQString(text));
}

int QtMainFormView::ComboBoxCount() {
  return ComboBox->count();
}

std::string QtMainFormView::ComboBoxItem(int index) {
  return FromQString(ComboBox->itemText(index));
}

void QtMainFormView::SetComboBoxIndex(int index) {
  ComboBox->setCurrentIndex(index);
}

std::string QtMainFormView::ComboBoxText() {
  return FromQString(ComboBox->currentText());
}

void QtMainFormView::SetComboBoxText(std::string_view text) {
  ComboBox->setCurrentText(ToQString(text));
}

void QtMainFormView::ShowBox(BoxKind kind, std::string_view caption, std::string_view text) {
  ShowMessageBox(kind, caption, text);
}

void QtMainFormView::ProcessMessages() {
  QCoreApplication::processEvents();
}

void QtMainFormView::SetTimer1Interval(int milliseconds) {
  Timer1->setInterval(milliseconds);
}

void QtMainFormView::SetTimer1Enabled(bool enabled) {
  if (enabled) {
    Timer1->start();
  } else {
    Timer1->stop();
  }
}

bool QtMainFormView::Timer1Enabled() {
  return Timer1->isActive();
}

void QtMainFormView::closeEvent(QCloseEvent* event) {
  bool can_close = true;
  if (events_ != nullptr) events_->FormCloseQuery(can_close);
  event->setAccepted(can_close);
}

void QtMainFormView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  CentreOnScreen();
}

// The client area keeps the layout's size; the window system draws the frame around it. The
// frame is centred on the screen: with the size the window system reports for it, or, before
// it has reported one, with the outer size the window was given.
void QtMainFormView::CentreOnScreen() {
  const QScreen* screen = this->screen();
  if (screen == nullptr) return;
  QSize outer_size = frameGeometry().size();
  if (outer_size == size()) {
    const qreal ratio = devicePixelRatioF();
    outer_size = QSize(static_cast<int>(outerSize_.width / ratio),
                       static_cast<int>(outerSize_.height / ratio));
  }
  const QPoint centre = screen->geometry().center();
  move(centre.x() - outer_size.width() / 2, centre.y() - outer_size.height() / 2);
}

}  // namespace korvalesen
