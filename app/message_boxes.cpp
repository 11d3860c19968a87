#include "app/message_boxes.h"

#include <QApplication>
#include <QScreen>
#include <string>
#include <utility>

#include "app/box_text.h"
#include "app/qt_text.h"

namespace korvalesen {

namespace {

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
