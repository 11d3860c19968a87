#pragma once

// A program run by a test as a child process, with its standard output read through a pipe.
// The destructor kills and reaps a child that still runs.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace korvalesen::testing {

class ChildProcess {
 public:
  struct Ended {
    // The exit status, or 128 plus the signal that ended the child.
    int status = 0;
    // Everything the child wrote to its standard output that was not read before.
    std::string output;
  };

  // Runs program with arguments, in the working directory when one is given; throws
  // std::runtime_error when the program does not exist.
  explicit ChildProcess(const std::vector<std::string>& command,
                        const std::filesystem::path& working_directory = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line the child writes (within 10 s).
  std::string ReadLine();
  // Reads the output until the child closes it, then reaps the child. A child that takes
  // longer than the limit is killed and reported as killed.
  Ended Wait(std::chrono::seconds limit);

 private:
  pid_t pid_ = -1;
  int output_ = -1;
};

}  // namespace korvalesen::testing
