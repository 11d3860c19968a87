// Benchmarks of the serial port, run by hand (never as tests):
//   serial_bench idle [seconds]   CPU time of an open idle port with its event thread
//   serial_bench throughput       bytes per second through InputCount + ReadByte,
//                                 from the virtual line (no pacing) and over a pty
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "board/board_line.h"
#include "serial/com_port.h"
#include "sim/virtual_device_list.h"
#include "sim/virtual_serial_line.h"

using namespace korvalesen;
using Clock = std::chrono::steady_clock;

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void Handler(TComponent&) {}
void LineHandler(TComponent&, TLineErrors) {}

void Configure(TComPort& port, const std::string& name) {
  port.SetDeviceName(name);
  SetUpBoardLine(port);
  port.SetOnLineError(TLineErrorEvent(&LineHandler));
  port.SetOnEvent(evCTSChange, TNotifyEvent(&Handler));
  port.SetOnEvent(evDSRChange, TNotifyEvent(&Handler));
}

double Drain(TComPort& port, std::size_t total) {
  const auto start = Clock::now();
  std::size_t got = 0;
  while (got < total) {
    if (port.InputCount() > 0) {
      port.ReadByte();
      ++got;
    }
  }
  return static_cast<double>(total) / std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const std::string mode = argc > 1 ? argv[1] : "throughput";
  sim::VirtualSerialLine line("/dev/ttyV0");
  sim::VirtualDevices devices;
  devices.Add(line);
  sim::VirtualDeviceList names({}, {});
  if (mode == "idle") {
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    char name[128] = {};
    int master = -1, slave = -1;
    openpty(&master, &slave, name, nullptr, nullptr);
    for (const bool pty : {false, true}) {
      TComPort port(ComPortServices{pty ? &platform::SystemCommDevices() : &devices, &names,
                                    &platform::SystemPriority()});
      Configure(port, pty ? name : "/dev/ttyV0");
      port.Open();
      const double cpu0 = CpuSeconds();
      const auto end = Clock::now() + std::chrono::seconds(seconds);
      while (Clock::now() < end) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // the program's polling
      }
      const double cpu = CpuSeconds() - cpu0;
      std::printf("idle %s port, %d s: CPU %.3f s = %.2f %% of one core\n", pty ? "pty" : "virtual",
                  seconds, cpu, 100.0 * cpu / seconds);
    }
    return 0;
  }
  constexpr std::size_t kBytes = 200000;
  {
    TComPort port(ComPortServices{&devices, &names, &platform::SystemPriority()});
    Configure(port, "/dev/ttyV0");
    port.BufferSizes().SetInput(static_cast<std::int32_t>(kBytes));
    port.Open();
    line.Send(std::string(kBytes, 'x'));
    std::printf("virtual line: %.0f bytes/s\n", Drain(port, kBytes));
  }
  {
    char name[128] = {};
    int master = -1, slave = -1;
    openpty(&master, &slave, name, nullptr, nullptr);
    TComPort port(
        ComPortServices{&platform::SystemCommDevices(), &names, &platform::SystemPriority()});
    Configure(port, name);
    port.BufferSizes().SetInput(static_cast<std::int32_t>(kBytes));
    port.Open();
    std::thread writer([&] {
      const std::string data(kBytes, 'y');
      std::size_t off = 0;
      while (off < data.size()) {
        const ssize_t n = write(master, data.data() + off, data.size() - off);
        if (n > 0) off += static_cast<std::size_t>(n);
      }
    });
    std::printf("pty: %.0f bytes/s\n", Drain(port, kBytes));
    writer.join();
  }
  return 0;
}
