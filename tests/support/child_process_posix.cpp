#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "tests/support/child_process.h"

namespace korvalesen::testing {

struct ChildProcess::Running {
  pid_t pid = -1;
  int output = -1;
};

ChildProcess::ChildProcess(const std::vector<std::string>& command,
                           const std::filesystem::path& working_directory)
    : running_(std::make_unique<Running>()) {
  if (access(command.front().c_str(), X_OK) != 0) {
    throw std::runtime_error("program missing: " + command.front());
  }
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  running_->pid = fork();
  if (running_->pid == 0) {
    dup2(pipe_ends[1], STDOUT_FILENO);
    if (!working_directory.empty() && chdir(working_directory.c_str()) != 0) _exit(126);
    std::vector<char*> argv;
    for (const auto& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipe_ends[1]);
  running_->output = pipe_ends[0];
}

ChildProcess::~ChildProcess() {
  if (running_->pid > 0) {
    kill(running_->pid, SIGKILL);
    waitpid(running_->pid, nullptr, 0);
  }
  if (running_->output >= 0) close(running_->output);
}

std::string ChildProcess::ReadLine() {
  std::string line;
  char c = 0;
  while (true) {
    pollfd entry{running_->output, POLLIN, 0};
    if (poll(&entry, 1, 10000) != 1 || read(running_->output, &c, 1) != 1) {
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
    pollfd entry{running_->output, POLLIN, 0};
    if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) == 0) {
      kill(running_->pid, SIGKILL);
      break;
    }
    const ssize_t count = read(running_->output, buffer, sizeof buffer);
    if (count <= 0) break;
    ended.output.append(buffer, static_cast<std::size_t>(count));
  }
  int status = 0;
  waitpid(running_->pid, &status, 0);
  running_->pid = -1;
  ended.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return ended;
}

std::string ChildPath(const std::filesystem::path& path) {
  return path.string();
}

std::filesystem::path FromChildPath(const std::string& path) {
  return path;
}

}  // namespace korvalesen::testing
