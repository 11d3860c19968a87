#include "app/message_boxes.h"

#include <QApplication>
#include <QScreen>
#include <string>
#include <utility>

#include "app/qt_text.h"

namespace korvalesen {

namespace {

// A server's reply line, shown as an error, can be tens of kilobytes long; laying out such a
// box would freeze the window. The box shows its start, visibly cut.
constexpr std::size_t kMaxBoxText = 1000;

std::string BoxText(std::string_view text) {
  if (text.size() <= kMaxBoxText) return std::string(text);
  return std::string(text.substr(0, kMaxBoxText)) + " [...]";
}

MessageBoxPresenter& InstalledPresenter() {
  static MessageBoxPresenter presenter;
  return presenter;
}

void ShowModalBox(QMessageBox::Icon icon, const QString& caption, std::string_view text) {
  QMessageBox box(icon, caption, ToQString(text), QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect frame = box.frameGeometry();
    box.move(screen->geometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
  }
  box.exec();
}

}  // namespace

void SetMessageBoxPresenter(MessageBoxPresenter presenter) {
  InstalledPresenter() = std::move(presenter);
}

void ShowMessageBox(QMessageBox::Icon icon, const QString& caption, std::string_view text) {
  QApplication::beep();
  const std::string shown = BoxText(text);
  if (InstalledPresenter()) {
    InstalledPresenter()(icon, caption, shown);
  } else {
    ShowModalBox(icon, caption, shown);
  }
}

void ShowExceptionBox(const Error& error) {
  ShowMessageBox(QMessageBox::Critical, kApplicationTitle, error.Message());
}

}  // namespace korvalesen
