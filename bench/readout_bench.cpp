// The readout's timing and CPU cost: korvalesen-sim at 9600 bit/s with a typical dump (about
// 10 KB) and with the largest accepted one, each with the adapter's latency timer at 16 ms
// (the chip's default) and at 1 ms (as the udev rule sets it), and the largest with --fast;
// run by hand through bench/run_readout_bench.sh, never as a test.
//   readout_bench <korvalesen-sim> <FTP port>
// The FTP server on 127.0.0.1 has the program's account and a folder "import".
//
// For each run: the wall time against the line's limit (the dump's bytes x 10 / 9600 s, the
// 2.26 s of fixed waits of the handshake, and the upload: from the first result file to the
// end), and the CPU time the process spent on the read: its CPU time when the first result
// file appears, less the CPU time of a whole run that stops before the read (the board does
// not echo the probe).

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "board/dump_reader.h"
#include "sim/board_dump.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kLineBytesPerSecond = 9600.0 / 10.0;
constexpr double kHandshakeWaits = 2.26;

struct Run {
  double wall = 0;        // s, start to end
  double toFiles = 0;     // s, start until the first result file appears
  double cpuAtFiles = 0;  // s of CPU, user and system, when it appears
  double cpuTotal = 0;
  int status = -1;
};

// User and system time of a running process, from /proc (clock ticks).
double CpuSeconds(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // The fields after the command name, which is in parentheses: state is field 3.
  std::istringstream rest(text.substr(text.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int number = 3; number <= 15 && rest >> field; ++number) {
    if (number == 14 || number == 15) ticks += std::stod(field);
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

Run RunSim(const std::string& sim, std::vector<std::string> arguments) {
  const fs::path directory =
      fs::temp_directory_path() / ("readout-bench-" + std::to_string(getpid()));
  fs::remove_all(directory);
  fs::create_directory(directory);
  arguments.insert(arguments.begin(), {sim, "--auto-confirm"});
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  Run run;
  pid_t pid = 0;
  const Clock::time_point start = Clock::now();
  if (posix_spawn(&pid, sim.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
    throw std::runtime_error("cannot start " + sim);
  }
  posix_spawn_file_actions_destroy(&actions);

  const fs::path first_file = directory / "_Konfig.lcd";
  int status = 0;
  rusage usage{};
  while (true) {
    if (run.toFiles == 0 && fs::exists(first_file)) {
      run.cpuAtFiles = CpuSeconds(pid);
      run.toFiles = Seconds(Clock::now() - start);
    }
    if (wait4(pid, &status, WNOHANG, &usage) == pid) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  run.wall = Seconds(Clock::now() - start);
  run.cpuTotal = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  fs::remove_all(directory);
  return run;
}

// A generated board whose dump is close to 10 KB.
korvalesen::ConfigImage TypicalImage() {
  for (std::uint32_t seed = 1;; ++seed) {
    korvalesen::ConfigImage image = korvalesen::sim::RandomBoardImage(seed);
    const std::size_t size = korvalesen::sim::BuildDump(image).size();
    if (size >= 9800 && size <= 10200) return image;
  }
}

std::string WriteDump(const std::string& name, const std::string& bytes) {
  const fs::path path = fs::temp_directory_path() / ("readout-bench-" + name + ".bin");
  std::ofstream(path, std::ios::binary) << bytes;
  return path.string();
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <korvalesen-sim> <FTP port>\n", argv[0]);
    return 2;
  }
  const std::string sim = fs::absolute(argv[1]).string();
  const std::string server = std::string("127.0.0.1:") + argv[2];
  const korvalesen::ConfigImage typical_image = TypicalImage();
  korvalesen::ConfigImage largest_image = typical_image;
  largest_image.serialNumber = "L064";
  const std::string typical = korvalesen::sim::BuildDump(typical_image);
  const std::string largest =
      korvalesen::sim::PaddedDump(largest_image, korvalesen::DumpAcceptedBytes);
  const std::string typical_file = WriteDump("typical", typical);
  const std::string largest_file = WriteDump("largest", largest);

  const Run before_read = RunSim(sim, {"--ftp", server, "--fault", "no-echo"});
  std::printf("a run that stops before the read: %.2f s wall, %.3f s CPU (status %d)\n\n",
              before_read.wall, before_read.cpuTotal, before_read.status);
  std::printf("%-29s %6s %7s  %-34s %7s  %8s %7s  %6s\n", "dump", "bytes", "wall s",
              "limit s = line + waits + upload", "over s", "read CPU", "of core", "status");

  struct Case {
    const char* name;
    const std::string* dump;
    const std::string* file;
    bool fast;
    const char* latency;
  };
  const Case cases[] = {{"typical, 9600, latency 16 ms", &typical, &typical_file, false, "16"},
                        {"typical, 9600, latency 1 ms", &typical, &typical_file, false, "1"},
                        {"largest, 9600, latency 16 ms", &largest, &largest_file, false, "16"},
                        {"largest, 9600, latency 1 ms", &largest, &largest_file, false, "1"},
                        {"largest, --fast, latency 16", &largest, &largest_file, true, "16"}};
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"--ftp", server,    "--dump",
                                          *c.file, "--fault", std::string("latency:") + c.latency};
    if (c.fast) arguments.push_back("--fast");
    const Run run = RunSim(sim, arguments);
    const double line = c.fast ? 0.0 : static_cast<double>(c.dump->size()) / kLineBytesPerSecond;
    const double upload = run.wall - run.toFiles;
    const double limit = line + kHandshakeWaits + upload;
    const double read_cpu = run.cpuAtFiles - before_read.cpuTotal;
    char limit_text[64];
    std::snprintf(limit_text, sizeof limit_text, "%.2f = %.2f + %.2f + %.2f", limit, line,
                  kHandshakeWaits, upload);
    char share[16] = "-";
    if (!c.fast) std::snprintf(share, sizeof share, "%.2f %%", 100.0 * read_cpu / line);
    std::printf("%-29s %6zu %7.2f  %-34s %7.2f  %7.3fs %7s  %6d\n", c.name, c.dump->size(),
                run.wall, limit_text, run.wall - limit, read_cpu, share, run.status);
  }
  std::printf("\n(over: the start-up, Timer1's 1 s before the search, the board's own delays)\n");
  fs::remove(typical_file);
  fs::remove(largest_file);
  return 0;
}
