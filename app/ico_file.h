#pragma once

// The program's icon as an .ico file, the form a Windows icon resource is made from: one image,
// 4 bits per pixel with the 16-colour palette, fully opaque.

#include <string>

#include "app/program_icon.h"

namespace korvalesen {

std::string IcoFile(const ProgramIconImage& image);

}  // namespace korvalesen
