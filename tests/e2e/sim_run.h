#pragma once

// Runs of the korvalesen-sim binary for the whole-run tests: each in a working directory of its
// own, with --auto-confirm and --fast, several at a time, since most of a run is waiting. The
// same cases run the Linux program and, in the Windows build, korvalesen-sim.exe under Wine.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/upload/ftp_servers.h"

namespace korvalesen::testing {

struct SimRun {
  // A command that runs the program, such as a shell that limits it first; "$@" there stands
  // for the program and its arguments.
  std::vector<std::string> wrapper;
  // Arguments besides --auto-confirm, --fast and --ftp.
  std::vector<std::string> arguments;
  // The server the upload goes to; without one, a loopback port where nothing listens.
  const FtpServer* server = nullptr;
  // A run started earlier whose working directory this one shares; none: a fresh one.
  const SimRun* sharesFolderOf = nullptr;
  // Where the program is started instead of its own new folder (which it still gets).
  std::filesystem::path startIn;
  // Prepares the working directory before the run.
  std::function<void(const std::filesystem::path& directory)> prepare;

  // Filled by RunAll.
  std::unique_ptr<TempFolder> directory;
  int status = -1;
  // The lines written to standard output.
  std::vector<std::string> lines;
};

// Runs them all and waits for their end.
void RunAll(std::vector<SimRun>& runs);

// The names of the entries in a folder, sorted.
std::vector<std::string> EntriesOf(const std::filesystem::path& folder);

}  // namespace korvalesen::testing
