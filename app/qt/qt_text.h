#pragma once

// The system's texts are Windows-1252 bytes; widgets and dialogs take QString.

#include <QString>
#include <string>
#include <string_view>

namespace korvalesen {

QString ToQString(std::string_view w1252);
// Characters outside the code page become '?'.
std::string FromQString(const QString& text);

}  // namespace korvalesen
