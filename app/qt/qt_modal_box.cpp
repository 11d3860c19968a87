// The boxes' beep and modal dialog on Qt.

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include "app/message_boxes.h"
#include "app/qt/qt_text.h"

namespace korvalesen {

void SoundDefaultBeep() {
  QApplication::beep();
}

void ShowModalBox(BoxKind kind, std::string_view caption, std::string_view text) {
  QMessageBox box(kind == BoxKind::kError ? QMessageBox::Critical : QMessageBox::Information,
                  ToQString(caption), ToQString(text), QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect frame = box.frameGeometry();
    box.move(screen->geometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
  }
  box.exec();
}

}  // namespace korvalesen
