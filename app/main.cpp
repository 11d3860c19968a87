// The program entry: the product's run on the real systems.

#include "app/program_run.h"
#include "app/working_folder.h"

int main(int /*argc*/, char* argv[]) {
  korvalesen::EnterWorkingFolder();
  return korvalesen::RunProgram(argv[0], korvalesen::ProgramServices{});
}
