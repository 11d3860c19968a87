#include "tests/e2e/sim_run.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <sstream>

namespace korvalesen::testing {

namespace {

// Runs at the same time: enough to overlap the waits, few enough that the board's timing
// (an echo within 96 ms) holds on two cores under the sanitizers.
constexpr std::size_t kAtOnce = 3;
constexpr auto kRunLimit = std::chrono::seconds(90);

// The program, after the emulator's command when it runs under one (Wine for korvalesen-sim.exe).
const std::vector<std::string> kSimCommand = {KORVALESEN_SIM_COMMAND};

// The lines of the output; a line ends with LF or, as Windows writes text, with CR LF.
std::vector<std::string> Lines(const std::string& output) {
  std::vector<std::string> lines;
  std::istringstream stream(output);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::unique_ptr<ChildProcess> Start(SimRun& run) {
  if (run.sharesFolderOf == nullptr) {
    run.directory = std::make_unique<TempFolder>();
    if (run.prepare) run.prepare(run.directory->Path());
  }
  const std::filesystem::path folder =
      run.sharesFolderOf != nullptr ? run.sharesFolderOf->directory->Path() : run.directory->Path();
  const std::uint16_t port = run.server != nullptr ? run.server->port : FreeLoopbackPort();
  std::vector<std::string> command = run.wrapper;
  command.insert(command.end(), kSimCommand.begin(), kSimCommand.end());
  command.insert(command.end(),
                 {"--auto-confirm", "--fast", "--ftp", "127.0.0.1:" + std::to_string(port)});
  command.insert(command.end(), run.arguments.begin(), run.arguments.end());
  return std::make_unique<ChildProcess>(command, run.startIn.empty() ? folder : run.startIn);
}

void Finish(SimRun& run, ChildProcess& child) {
  const ChildProcess::Ended ended = child.Wait(kRunLimit);
  run.status = ended.status;
  run.lines = Lines(ended.output);
}

}  // namespace

void RunAll(std::vector<SimRun>& runs) {
  std::deque<std::pair<SimRun*, std::unique_ptr<ChildProcess>>> running;
  for (SimRun& run : runs) {
    if (running.size() == kAtOnce) {
      Finish(*running.front().first, *running.front().second);
      running.pop_front();
    }
    running.emplace_back(&run, Start(run));
  }
  for (auto& [run, child] : running) Finish(*run, *child);
}

std::vector<std::string> EntriesOf(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace korvalesen::testing
