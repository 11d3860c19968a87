// Writes the program's icon into an .ico file, from which the Windows build's icon resource
// is made:  korvalesen-ico <file.ico>   (run at build time; under Wine when cross-building)

#include <cstdio>

#include "app/ico_file.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <file.ico>\n", argc > 0 ? argv[0] : "korvalesen-ico");
    return 2;
  }
  const std::string bytes = korvalesen::IcoFile(korvalesen::PaintProgramIcon());
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "cannot create %s\n", argv[1]);
    return 1;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
