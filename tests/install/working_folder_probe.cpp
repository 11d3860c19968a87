// Stands in for korvalesen.exe beside the Start menu's launcher: leaves a file "gestartet" in
// the folder it was started in and ends with status 7, so that a test sees where and whether
// the launcher started it and that the status came back. While a file "warten" is in that
// folder (at most a minute) it keeps running, so that a test can install while it runs.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

int main() {
  std::ofstream("gestartet") << "gestartet\n";
  for (int tenths = 0; tenths < 600 && std::filesystem::exists("warten"); ++tenths) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return 7;
}
