#pragma once

// The program's icon as a Qt image, for the window and the desktop's icon theme.

#include <QImage>

namespace korvalesen {

QImage ProgramIconQImage();

}  // namespace korvalesen
