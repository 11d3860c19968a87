#pragma once

// A program run by a test as a child process, with its standard output read through a pipe.
// The programs are those of the system that runs the tests (Linux): a Windows test program
// under Wine has them started by tests/support/child_launcher.py, and paths in a command are
// given as that system sees them (ChildPath). The destructor kills and reaps a child that
// still runs.

#include <chrono>
#include <filesystem>
#include <memory>
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
  struct Running;
  std::unique_ptr<Running> running_;
};

// The path as the child processes see it: itself on Linux, the Unix path of a Windows path
// under Wine.
std::string ChildPath(const std::filesystem::path& path);

// The reverse: the path in this program's terms of one the child processes see, such as a
// child program's folder; itself on Linux, the Windows path (Z:\...) of a Unix path under Wine.
std::filesystem::path FromChildPath(const std::string& path);

}  // namespace korvalesen::testing
