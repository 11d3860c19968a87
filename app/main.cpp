// The program entry: the product's run on the real systems.

#include "app/program_run.h"

int main(int /*argc*/, char* argv[]) {
  return korvalesen::RunProgram(argv[0], korvalesen::ProgramServices{});
}
