#pragma once

#include <QImage>

namespace korvalesen {

// The program's icon, 96 x 96 in the 16 colours of the standard palette: on a grey square the
// word CONFIG in red capitals above a blue box with white lines.
QImage PaintProgramIcon();

}  // namespace korvalesen
