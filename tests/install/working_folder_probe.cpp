// Stands in for korvalesen.exe beside the Start menu's launcher: leaves a file "gestartet" in
// the folder it was started in and ends with status 7, so that a test sees where and whether
// the launcher started it and that the status came back.
#include <fstream>

int main() {
  std::ofstream("gestartet") << "gestartet\n";
  return 7;
}
