#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace korvalesen::testing {

ChildProcess::ChildProcess(const std::vector<std::string>& command,
                           const std::filesystem::path& working_directory) {
  if (access(command.front().c_str(), X_OK) != 0) {
    throw std::runtime_error("program missing: " + command.front());
  }
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ == 0) {
    dup2(pipe_ends[1], STDOUT_FILENO);
    if (!working_directory.empty() && chdir(working_directory.c_str()) != 0) _exit(126);
    std::vector<char*> argv;
    for (const auto& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipe_ends[1]);
  output_ = pipe_ends[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (output_ >= 0) close(output_);
}

std::string ChildProcess::ReadLine() {
  std::string line;
  char c = 0;
  while (true) {
    pollfd entry{output_, POLLIN, 0};
    if (poll(&entry, 1, 10000) != 1 || read(output_, &c, 1) != 1) {
      throw std::runtime_error("the child wrote no line");
    }
    if (c == '\n') return line;
    line += c;
  }
}

ChildProcess::Ended ChildProcess::Wait(std::chrono::seconds limit) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + limit;
  Ended ended;
  char buffer[4096];
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd entry{output_, POLLIN, 0};
    if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) == 0) {
      kill(pid_, SIGKILL);
      break;
    }
    const ssize_t count = read(output_, buffer, sizeof buffer);
    if (count <= 0) break;
    ended.output.append(buffer, static_cast<std::size_t>(count));
  }
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  ended.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return ended;
}

}  // namespace korvalesen::testing
