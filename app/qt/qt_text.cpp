#include "app/qt/qt_text.h"

#include "common/windows1252.h"

namespace korvalesen {

QString ToQString(std::string_view w1252) {
  QString text;
  text.reserve(static_cast<qsizetype>(w1252.size()));
  for (const char c : w1252) {
    text.append(QChar(static_cast<char16_t>(DecodeW1252(static_cast<unsigned char>(c)))));
  }
  return text;
}

std::string FromQString(const QString& text) {
  return Utf8ToW1252(text.toStdString());
}

}  // namespace korvalesen
