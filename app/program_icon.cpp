#include "app/program_icon.h"

#include <QFont>
#include <QPainter>

namespace korvalesen {

QImage PaintProgramIcon() {
  constexpr int kSize = 96;
  const QColor grey(192, 192, 192);
  const QColor dark_grey(128, 128, 128);
  const QColor red(255, 0, 0);
  const QColor blue(0, 0, 128);
  const QColor white(255, 255, 255);

  QImage icon(kSize, kSize, QImage::Format_RGB32);
  icon.fill(grey);
  QPainter painter(&icon);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, false);

  painter.setPen(dark_grey);
  painter.drawRect(0, 0, kSize - 1, kSize - 1);

  QFont font("Arial");
  font.setPixelSize(24);
  font.setBold(true);
  font.setStyleStrategy(QFont::NoAntialias);
  painter.setFont(font);
  painter.setPen(red);
  painter.drawText(QRect(0, 4, kSize, 30), Qt::AlignCenter, "CONFIG");

  const QRect box(12, 40, kSize - 24, 46);
  painter.fillRect(box, blue);
  painter.setPen(white);
  for (int y = box.top() + 8; y < box.bottom() - 4; y += 8) {
    painter.drawLine(box.left() + 8, y, box.right() - 8, y);
  }
  painter.end();
  return icon.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
}

}  // namespace korvalesen
