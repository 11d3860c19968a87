// Writes the program's icon, as the window shows it, into a PNG file for the desktop's icon
// theme:  korvalesen-icon <file.png>   (run at build time)

#include <cstdio>

#include "app/qt/qt_program_icon.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <file.png>\n", argv[0]);
    return 2;
  }
  if (!korvalesen::ProgramIconQImage().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
